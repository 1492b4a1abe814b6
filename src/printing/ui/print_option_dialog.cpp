// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/ui/print_option_dialog.h"

#include "printing/leading_number.h"
#include "printing/ui/print_pictures.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace {

float typedLength(const QLineEdit* box)
{
    constexpr double most = std::numeric_limits<float>::max();
    return float(std::clamp(leadingNumber(box->text()), -most, most));
}

qint16 typedCount(const QString& text) { return roundToInt16(leadingNumber(text)); }

QLabel* note(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

void warn(OperatorPrompts& prompts, const QString& text) { prompts.warn(u"エラー"_s, text); }

} // namespace

PrintOption::PrintOption(const QString& printIniPath, OperatorPrompts& prompts, QWidget* parent)
    : QDialog(parent), path_(printIniPath), prompts_(prompts)
{
    setObjectName(u"PrintOption"_s);
    setWindowTitle(u"オプション設定"_s);

    auto* frame = new QGroupBox(u"タック用紙(A4)の設定"_s, this);
    frame->setObjectName(u"fraOption"_s);
    auto* form = new QFormLayout(frame);
    const QString names[] = {u"txtLeft"_s, u"txtTop"_s, u"txtWidth"_s, u"txtHeight"_s,
                             u"txtxMergin"_s, u"txtyMergin"_s, u"txtxNum"_s, u"txtyNum"_s};
    const QString captions[] = {u"左マージン(&L)"_s, u"上マージン(&T)"_s, u"幅(&W)"_s, u"高さ(&H)"_s,
                                u"水平間隔(&S)"_s, u"垂直間隔(&V)"_s, u"横枚数(&C)"_s, u"縦枚数(&R)"_s};
    QLineEdit* boxes[8];
    for (int i = 0; i < 8; ++i) {
        boxes[i] = new QLineEdit(frame);
        boxes[i]->setObjectName(names[i]);
        auto* caption = new QLabel(captions[i], frame);
        caption->setBuddy(boxes[i]);
        form->addRow(caption, boxes[i]);
    }
    std::copy(boxes, boxes + 6, lengths_);
    across_ = boxes[6];
    down_ = boxes[7];
    fontSize_ = new QComboBox(frame);
    fontSize_->setObjectName(u"cmbFontSize"_s);
    fontSize_->setEditable(true);
    fontSize_->addItems({u"09"_s, u"10"_s, u"11"_s, u"12"_s});
    auto* fontCaption = new QLabel(u"文字サイズ(&F)"_s, frame);
    fontCaption->setBuddy(fontSize_);
    form->addRow(fontCaption, fontSize_);

    auto* ok = new QPushButton(u"OK"_s, this);
    ok->setObjectName(u"cmdOption(0)"_s);
    ok->setDefault(true);
    auto* cancel = new QPushButton(u"キャンセル"_s, this);
    cancel->setObjectName(u"cmdOption(1)"_s);
    connect(ok, &QPushButton::clicked, this, &PrintOption::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* notes = new QVBoxLayout;
    notes->addWidget(note(u"※注意！"_s, this));
    notes->addWidget(note(u"ご利用のタック紙に合わせて設定を変更してください"_s, this));
    notes->addWidget(note(u"マージンは左・上ともに、タックシールの左上から先頭文字までの距離です。"_s, this));
    notes->addWidget(frame);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    notes->addLayout(buttons);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(notes);
    layout->addWidget(new SheetDrawing(this));

    const Result<PrintSettings> stored = loadPrintSettings(path_);
    if (!stored)
        warn(prompts_, u"設定ファイルが存在しないのでデフォルト値が使われます。"_s);
    showSettings(stored.value_or(PrintSettings{}));
}

void PrintOption::showSettings(const PrintSettings& s)
{
    const float values[] = {s.left, s.top, s.width, s.height, s.xGap, s.yGap};
    for (int i = 0; i < 6; ++i)
        lengths_[i]->setText(shortestDecimal(values[i]));
    across_->setText(QString::number(s.across));
    down_->setText(QString::number(s.down));
    fontSize_->setEditText(QString::number(s.fontSize));
}

PrintSettings PrintOption::typedSettings() const
{
    PrintSettings s;
    float* values[] = {&s.left, &s.top, &s.width, &s.height, &s.xGap, &s.yGap};
    for (int i = 0; i < 6; ++i)
        *values[i] = typedLength(lengths_[i]);
    s.across = typedCount(across_->text());
    s.down = typedCount(down_->text());
    s.fontSize = typedCount(fontSize_->currentText());
    return s;
}

void PrintOption::confirm()
{
    // The dialog closes even when the file could not be written.
    if (auto written = savePrintSettings(path_, typedSettings()); !written)
        warn(prompts_, u"設定ファイルの書き込みエラーです。\n"_s + written.error().message);
    accept();
}
