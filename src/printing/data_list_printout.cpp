#include "printing/data_list_printout.h"

#include "common/text_field.h"

using namespace Qt::Literals::StringLiterals;

const QStringList& dataListTitles()
{
    static const QStringList titles = {u"番号"_s, u"氏名"_s, u"ニックネーム"_s, u"会社名"_s, u"〒"_s,
                                       u"住所"_s, u"TEL"_s, u"FAX"_s, u"メールアドレス"_s, u"生年月日"_s};
    return titles;
}

const QList<int>& dataListColumnSteps()
{
    static const QList<int> steps = {0, 5, 18, 37, 68, 77, 130, 144, 158, 188};
    return steps;
}

QStringList dataListLine(int k, const GuestRecord& guest)
{
    return {QString::number(k).rightJustified(4, u'0'), displayName(guest), trimRight(guest.hName),
            trimRight(guest.CoName), trimRight(guest.Post), trimRight(guest.jyusyo), trimRight(guest.TEL),
            trimRight(guest.FAX), trimRight(guest.address), trimRight(guest.birthday)};
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
    if (choice.records.isEmpty())
        return 0;
    const Result<PrintedList> list = PrintedList::open(listPath);
    if (!list)
        return std::unexpected(list.error());

    surface.setUp(PageOrientation::Landscape, kDataListFontPoints);
    TableWriter table(surface);
    int r = 0;
    bool pageUsed = false;
    for (int record : choice.records) {
        if (surface.printableHeight() < table.lineTop(r) + table.height() + kTop) {
            // A page with nothing on it yet is used as it is, so no sheet comes out blank.
            if (pageUsed)
                surface.newPage();
            r = 0;
        }
        if (r == 0)
            table.pageHead();
        pageUsed = true;
        ++r;
        table.texts(r, dataListLine(record, list->record(record)));
        table.rule(table.lineTop(r) + 1.2 * table.height());
    }
    if (auto ended = surface.endDocument(); !ended)
        return std::unexpected(ended.error());
    return int(choice.records.size());
}
