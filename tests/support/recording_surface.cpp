// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording_surface.h"

void RecordingSurface::setUp(PageOrientation o, int points)
{
    ++setUps;
    orientation = o;
    fontPoints = points;
}

void RecordingSurface::printText(double x, double y, const QString& text)
{
    texts.append({page, x, y, text});
}

void RecordingSurface::line(double x1, double y1, double x2, double y2)
{
    lines.append({page, x1, y1, x2, y2});
}

double RecordingSurface::printableWidth()
{
    return (orientation == PageOrientation::Portrait ? 210.0 : 297.0) - 2 * margin;
}

double RecordingSurface::printableHeight()
{
    return (orientation == PageOrientation::Portrait ? 297.0 : 210.0) - 2 * margin;
}

Result<QString> RecordingSurface::endDocument()
{
    ++ends;
    if (endFailure)
        return std::unexpected(*endFailure);
    return QString();
}

QList<RecordingSurface::Text> RecordingSurface::textsOnPage(int p) const
{
    QList<Text> result;
    for (const Text& t : texts)
        if (t.page == p)
            result.append(t);
    return result;
}

QList<RecordingSurface::Line> RecordingSurface::linesOnPage(int p) const
{
    QList<Line> result;
    for (const Line& l : lines)
        if (l.page == p)
            result.append(l);
    return result;
}

namespace {

// Forwards to a recorder that outlives the printout.
class SharedSurface : public PrintSurface {
public:
    explicit SharedSurface(std::shared_ptr<RecordingSurface> target) : t_(std::move(target)) {}
    void setUp(PageOrientation o, int points) override { t_->setUp(o, points); }
    double textWidth(const QString& text) override { return t_->textWidth(text); }
    double textHeight(const QString& text) override { return t_->textHeight(text); }
    void printText(double x, double y, const QString& text) override { t_->printText(x, y, text); }
    void line(double x1, double y1, double x2, double y2) override { t_->line(x1, y1, x2, y2); }
    double printableWidth() override { return t_->printableWidth(); }
    double printableHeight() override { return t_->printableHeight(); }
    void newPage() override { t_->newPage(); }
    Result<QString> endDocument() override { return t_->endDocument(); }

private:
    std::shared_ptr<RecordingSurface> t_;
};

} // namespace

std::unique_ptr<PrintSurface> RecordingSurfaceFactory::create()
{
    auto surface = std::make_shared<RecordingSurface>();
    made.append(surface);
    return std::make_unique<SharedSurface>(surface);
}
