// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/ui/qt_print_surface.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>

using namespace Qt::Literals::StringLiterals;

QtPrintSurface::QtPrintSurface(const QPrinterInfo& printer) : printer_(printer, QPrinter::HighResolution) {}

QtPrintSurface::QtPrintSurface(const QString& pdfPath, OperatorPrompts* prompts)
    : printer_(QPrinter::HighResolution), pdfPath_(pdfPath), prompts_(prompts)
{
    printer_.setOutputFormat(QPrinter::PdfFormat);
    printer_.setOutputFileName(pdfPath);
    printer_.setFullPage(true);
}

void QtPrintSurface::setUp(PageOrientation orientation, int fontPoints)
{
    printer_.setPageSize(QPageSize(QPageSize::A4));
    printer_.setPageOrientation(orientation == PageOrientation::Portrait ? QPageLayout::Portrait
                                                                          : QPageLayout::Landscape);
    // Positions count from the corner of what the device can print: a printer's own
    // margins, none on a PDF. Qt starts from margins of its own (10 points) instead.
    const QPageLayout layout = printer_.pageLayout();
    printer_.setPageMargins(layout.minimumMargins(), layout.units());
    font_ = QFont();
    font_.setPointSize(std::max(1, fontPoints)); // a point size below 1 would be ignored
}

double QtPrintSurface::pixelsPerMm() const { return printer_.resolution() / 25.4; }

QFontMetricsF QtPrintSurface::metrics() const { return QFontMetricsF(font_, &printer_); }

double QtPrintSurface::textWidth(const QString& text)
{
    return metrics().horizontalAdvance(text) / pixelsPerMm();
}

double QtPrintSurface::textHeight(const QString&) { return metrics().height() / pixelsPerMm(); }

bool QtPrintSurface::begin()
{
    if (painter_.isActive())
        return true;
    if (beginFailed_ || !painter_.begin(&printer_)) {
        beginFailed_ = true;
        return false;
    }
    painter_.setFont(font_);
    return true;
}

void QtPrintSurface::printText(double x, double y, const QString& text)
{
    if (!begin())
        return;
    const double scale = pixelsPerMm();
    painter_.drawText(QPointF(x * scale, y * scale + metrics().ascent()), text);
}

void QtPrintSurface::line(double x1, double y1, double x2, double y2)
{
    if (!begin())
        return;
    const double scale = pixelsPerMm();
    painter_.drawLine(QPointF(x1 * scale, y1 * scale), QPointF(x2 * scale, y2 * scale));
}

double QtPrintSurface::printableWidth()
{
    return printer_.pageLayout().paintRect(QPageLayout::Millimeter).width();
}

double QtPrintSurface::printableHeight()
{
    return printer_.pageLayout().paintRect(QPageLayout::Millimeter).height();
}

void QtPrintSurface::newPage()
{
    if (begin())
        printer_.newPage();
}

Result<QString> QtPrintSurface::endDocument()
{
    const QString target = pdfPath_.isEmpty() ? printer_.printerName() : pdfPath_;
    if (beginFailed_ || (painter_.isActive() && !painter_.end()))
        return fail(ErrorKind::Io, u"印刷できませんでした（%1）。"_s.arg(target));
    if (pdfPath_.isEmpty())
        return QString();
    if (prompts_)
        prompts_->message(messageTitle(u"　印刷　"_s),
                          u"プリンタが見つからないため、PDFファイルに保存しました。\n%1"_s.arg(pdfPath_),
                          PromptIcon::Information, PromptButtons::Ok);
    return pdfPath_;
}

QtPrintSurfaceFactory::QtPrintSurfaceFactory(const QString& pdfDir, OperatorPrompts& prompts)
    : pdfDir_(pdfDir), prompts_(prompts)
{
}

std::unique_ptr<PrintSurface> QtPrintSurfaceFactory::create()
{
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (!printer.isNull())
        return std::make_unique<QtPrintSurface>(printer);
    QDir().mkpath(pdfDir_); // a failure shows when the document is ended
    return std::make_unique<QtPrintSurface>(pdfFileName(pdfDir_, QDateTime::currentDateTime()), &prompts_);
}

QString pdfFileName(const QString& dir, const QDateTime& moment)
{
    const QString stem = dir + u'/' + moment.toString(u"yyyyMMdd_HHmmss"_s);
    QString path = stem + u".pdf"_s;
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = stem + u"_%1.pdf"_s.arg(n);
    return path;
}
