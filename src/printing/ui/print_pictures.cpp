// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/ui/print_pictures.h"

#include <QPainter>

using namespace Qt::Literals::StringLiterals;

namespace {

QPixmap blankPicture(QSize size)
{
    QPixmap picture(size);
    picture.fill(Qt::white);
    return picture;
}

void arrow(QPainter& p, QPointF from, QPointF to, const QString& mark)
{
    p.drawLine(from, to);
    p.drawText(QRectF(from, to).normalized().adjusted(-20, -16, 20, 16), Qt::AlignCenter, mark);
}

} // namespace

QPixmap labelSheetPicture()
{
    QPixmap picture = blankPicture({90, 120});
    QPainter p(&picture);
    p.drawRect(5, 5, 79, 109);
    for (int row = 0; row < 6; ++row)
        for (int col = 0; col < 2; ++col)
            p.drawRoundedRect(QRectF(10 + col * 37, 10 + row * 17, 32, 13), 2, 2);
    return picture;
}

QPixmap tablePicture()
{
    QPixmap picture = blankPicture({120, 90});
    QPainter p(&picture);
    p.drawRect(5, 5, 109, 79);
    for (int row = 0; row < 9; ++row)
        p.drawLine(10, 12 + row * 8, 109, 12 + row * 8);
    for (int col : {22, 45, 70, 90})
        p.drawLine(col, 12, col, 76);
    return picture;
}

SheetDrawing::SheetDrawing(QWidget* parent) : QWidget(parent)
{
    setObjectName(u"Picture1"_s);
    setMinimumSize(sizeHint());
}

void SheetDrawing::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QRectF sheet(20, 20, 220, 270);
    p.drawRect(sheet);
    const double left = 55, top = 60, w = 80, h = 55, gap = 20, vgap = 15;
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 2; ++col)
            p.drawRect(QRectF(left + col * (w + gap) - 10, top + row * (h + vgap) - 10, w, h));
    QFont small = p.font();
    small.setPointSize(7);
    p.setFont(small);
    p.drawText(QPointF(left, top + 8), u"〒000-0000"_s);
    p.drawText(QPointF(left, top + 20), u"東京都…"_s);
    p.drawText(QPointF(left, top + 38), u"山田 太郎　様"_s);
    p.setPen(Qt::blue);
    arrow(p, {sheet.left(), top + 4}, {left, top + 4}, u"(L)"_s);
    arrow(p, {left + 4, sheet.top()}, {left + 4, top}, u"(T)"_s);
    arrow(p, {left + w - 10, top + 25}, {left + w + gap - 10, top + 25}, u"(S)"_s);
    arrow(p, {left + 40, top + h - 10}, {left + 40, top + h + vgap - 10}, u"(V)"_s);
    arrow(p, {left - 10, top + h - 2}, {left + w - 10, top + h - 2}, u"(W)"_s);
    arrow(p, {left + w - 14, top - 10}, {left + w - 14, top + h - 10}, u"(H)"_s);
    p.drawText(QRectF(sheet.left(), sheet.bottom() - 40, sheet.width(), 18), Qt::AlignCenter, u"← (C) →"_s);
    p.drawText(QRectF(sheet.right() - 26, sheet.top(), 26, sheet.height()), Qt::AlignCenter, u"(R)"_s);
}
