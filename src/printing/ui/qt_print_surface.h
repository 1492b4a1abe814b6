// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/operator_prompts.h"
#include "printing/print_surface.h"

#include <QDateTime>
#include <QFont>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

// Printing through QPrinter: on a printer, or into a PDF whose printable area
// is the whole sheet (zero margins, so labels land where the layout puts them).
class QtPrintSurface : public PrintSurface {
public:
    explicit QtPrintSurface(const QPrinterInfo& printer);
    // When prompts is given, the operator is told where the file went.
    QtPrintSurface(const QString& pdfPath, OperatorPrompts* prompts);

    void setUp(PageOrientation orientation, int fontPoints) override;
    double textWidth(const QString& text) override;
    double textHeight(const QString& text) override;
    void printText(double x, double y, const QString& text) override;
    void line(double x1, double y1, double x2, double y2) override;
    double printableWidth() override;
    double printableHeight() override;
    void newPage() override;
    Result<QString> endDocument() override;

private:
    bool begin();
    double pixelsPerMm() const;
    QFontMetricsF metrics() const;

    QPrinter printer_;
    QString pdfPath_;
    OperatorPrompts* prompts_ = nullptr;
    QFont font_;
    QPainter painter_;
    bool beginFailed_ = false;
};

// The default printer; with none at all, a PDF named by date and time in pdfDir.
class QtPrintSurfaceFactory : public PrintSurfaceFactory {
public:
    QtPrintSurfaceFactory(const QString& pdfDir, OperatorPrompts& prompts);
    std::unique_ptr<PrintSurface> create() override;

private:
    QString pdfDir_;
    OperatorPrompts& prompts_;
};

// A file in dir named by the moment ("20240131_093000.pdf"), numbered when taken.
QString pdfFileName(const QString& dir, const QDateTime& moment);
