// SPDX-License-Identifier: GPL-3.0-or-later
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
    double h = 0;
    const bool placeSingle = !choice.all && startPosition >= 1;
    return printPages(listPath, choice, surface,
                      {[&] {
                           surface.setUp(PageOrientation::Portrait, settings.fontSize);
                           h = surface.textHeight(u"0"_s);
                       },
                       [&](int slot) {
                           return surface.printableHeight() >= labelPosition(settings, slot).y() + settings.height;
                       },
                       [&](int slot, int, const GuestRecord& guest) {
                           printLabel(surface, labelPosition(settings, slot), h, guest);
                       },
                       placeSingle ? startPosition - 1 : 0});
}
