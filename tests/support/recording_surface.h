// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "printing/print_surface.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

// A print surface that keeps every call. Text measures are fixed numbers so
// layouts can be checked by hand: every character is charWidth wide, every
// text lineHeight high; the page is A4 less the given margins.
class RecordingSurface : public PrintSurface {
public:
    struct Text {
        int page;
        double x;
        double y;
        QString text;
    };
    struct Line {
        int page;
        double x1, y1, x2, y2;
    };

    void setUp(PageOrientation orientation, int fontPoints) override;
    double textWidth(const QString& text) override { return charWidth * text.size(); }
    double textHeight(const QString&) override { return lineHeight; }
    void printText(double x, double y, const QString& text) override;
    void line(double x1, double y1, double x2, double y2) override;
    double printableWidth() override;
    double printableHeight() override;
    void newPage() override { ++page; }
    Result<QString> endDocument() override;

    double charWidth = 2.0;
    double lineHeight = 4.0;
    double margin = 0.0;                // cut from each edge of the sheet
    std::optional<Error> endFailure;    // makes endDocument fail

    int setUps = 0;
    PageOrientation orientation = PageOrientation::Portrait;
    int fontPoints = 0;
    int page = 0;                       // pages started after the first
    int ends = 0;
    QList<Text> texts;
    QList<Line> lines;

    QList<Text> textsOnPage(int p) const;
    QList<Line> linesOnPage(int p) const;
};

// Hands out surfaces that record into `made`, one per printout, kept after use.
class RecordingSurfaceFactory : public PrintSurfaceFactory {
public:
    std::unique_ptr<PrintSurface> create() override;
    QList<std::shared_ptr<RecordingSurface>> made;
};
