// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/data_list_printout.h"

#include "datalist/data_list_rows.h"

#include <optional>

using namespace Qt::Literals::StringLiterals;

const QList<int>& dataListColumnSteps()
{
    static const QList<int> steps = {0, 5, 18, 37, 68, 77, 130, 144, 158, 188};
    return steps;
}

namespace {

constexpr double kLeft = 10;
constexpr double kTop = 20;

class TableWriter {
public:
    explicit TableWriter(PrintSurface& surface)
        : surface_(surface), w_(surface.textWidth(u"0"_s)), h_(surface.textHeight(u"0"_s))
    {
    }

    double lineTop(int r) const { return kTop + 1.4 * h_ * r; }
    double height() const { return h_; }

    void rule(double y) { surface_.line(kLeft, y, surface_.printableWidth() - kLeft, y); }

    void texts(int r, const QStringList& columns)
    {
        const QList<int>& steps = dataListColumnSteps();
        for (int i = 0; i < columns.size(); ++i)
            surface_.printText(kLeft + w_ * steps[i], lineTop(r), columns[i]);
    }

    void pageHead()
    {
        rule(lineTop(0) - 0.2 * h_);
        texts(0, dataListTitles());
        rule(lineTop(0) + 1.2 * h_);
    }

private:
    PrintSurface& surface_;
    double w_;
    double h_;
};

} // namespace

Result<int> PrintDataList(const QString& listPath, const RecordChoice& choice, PrintSurface& surface)
{
    std::optional<TableWriter> table;
    return printPages(listPath, choice, surface,
                      {[&] {
                           surface.setUp(PageOrientation::Landscape, kDataListFontPoints);
                           table.emplace(surface);
                       },
                       [&](int slot) {
                           return surface.printableHeight() >= table->lineTop(slot) + table->height() + kTop;
                       },
                       [&](int slot, int record, const GuestRecord& guest) {
                           // The head takes line 0 of every page.
                           if (slot == 0)
                               table->pageHead();
                           table->texts(slot + 1, dataListCells(record, guest));
                           table->rule(table->lineTop(slot + 1) + 1.2 * table->height());
                       }});
}
