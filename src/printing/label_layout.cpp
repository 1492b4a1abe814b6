#include "printing/label_layout.h"

#include "common/text_field.h"

using namespace Qt::Literals::StringLiterals;

QPointF labelPosition(const PrintSettings& settings, int k)
{
    const int across = settings.effectiveAcross();
    const int col = k % across;
    const int row = k / across;
    return {settings.left + col * double(settings.width + settings.xGap),
            settings.top + row * double(settings.height + settings.yGap)};
}

QStringList labelLines(const GuestRecord& guest)
{
    return {u"〒"_s + trimRight(guest.Post), trimRight(guest.jyusyo), trimRight(guest.CoName),
            trimRight(guest.fName) + u' ' + trimRight(guest.sName) + u"　様"_s};
}

namespace {

void printLabel(PrintSurface& surface, QPointF at, double h, const GuestRecord& guest)
{
    static constexpr int lineOffsets[] = {0, 1, 4, 5};
    const QStringList lines = labelLines(guest);
    for (int i = 0; i < lines.size(); ++i)
        surface.printText(at.x(), at.y() + lineOffsets[i] * h, lines[i]);
}

} // namespace

Result<int> PrintTackLabels(const QString& listPath, const RecordChoice& choice, int startPosition,
                            const PrintSettings& settings, PrintSurface& surface)
{
    if (choice.records.isEmpty())
        return 0;
    const Result<PrintedList> list = PrintedList::open(listPath);
    if (!list)
        return std::unexpected(list.error());

    surface.setUp(PageOrientation::Portrait, settings.fontSize);
    const double h = surface.textHeight(u"0"_s);
    const bool placeSingle = !choice.all && startPosition >= 1;
    int k = 0;
    bool pageUsed = false;
    for (int record : choice.records) {
        const GuestRecord guest = list->record(record);
        int position = k;
        if (placeSingle) {
            position = startPosition - 1;
            k = startPosition;
        }
        QPointF at = labelPosition(settings, position);
        if (surface.printableHeight() < at.y() + settings.height) {
            // A page with nothing on it yet is used as it is, so no sheet comes out blank.
            if (pageUsed)
                surface.newPage();
            at = QPointF(settings.left, settings.top);
            k = 0;
        }
        printLabel(surface, at, h, guest);
        pageUsed = true;
        ++k;
    }
    if (auto ended = surface.endDocument(); !ended)
        return std::unexpected(ended.error());
    return int(choice.records.size());
}
