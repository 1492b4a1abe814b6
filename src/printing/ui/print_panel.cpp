// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/ui/print_panel.h"

#include "printing/data_list_printout.h"
#include "printing/label_layout.h"
#include "printing/leading_number.h"
#include "printing/print_ini.h"
#include "printing/ui/print_option_dialog.h"
#include "printing/ui/print_pictures.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

PrintPanel::PrintPanel(const ProgramDir& dir, OperatorPrompts& prompts, PrintSurfaceFactory& factory,
                       PrintTarget target, QWidget* parent)
    : QWidget(parent), dir_(dir), prompts_(prompts), factory_(factory), target_(std::move(target)),
      settings_(printSettingsOrDefaults(dir_.printIni()))
{
    auto* frame = new QGroupBox(u"印刷物"_s, this);
    labels_ = new QRadioButton(u"郵便タック"_s, frame);
    labels_->setObjectName(u"Option1"_s);
    labels_->setChecked(true);
    table_ = new QRadioButton(u"データリスト"_s, frame);
    table_->setObjectName(u"Option2"_s);
    labelsPicture_ = new QLabel(frame);
    labelsPicture_->setObjectName(u"Image2"_s);
    labelsPicture_->setPixmap(labelSheetPicture());
    tablePicture_ = new QLabel(frame);
    tablePicture_->setObjectName(u"Image3"_s);
    tablePicture_->setPixmap(tablePicture());
    auto* frameLayout = new QGridLayout(frame);
    frameLayout->addWidget(labels_, 0, 0);
    frameLayout->addWidget(table_, 1, 0);
    frameLayout->addWidget(labelsPicture_, 0, 1, 2, 1);
    frameLayout->addWidget(tablePicture_, 0, 1, 2, 1);

    auto* start = new QPushButton(u"印刷開始"_s, this);
    start->setObjectName(u"Command17"_s);
    auto* options = new QPushButton(u"　郵便タック　印字位置"_s, this);
    options->setObjectName(u"Command2"_s);
    notice_ = new QLabel(u"　　　　印刷中．．．　　しばらくお待ち下さい"_s, this);
    notice_->setObjectName(u"Label54"_s);
    notice_->hide();
    // The notice keeps its room while hidden, so showing it moves no other control.
    QSizePolicy keepRoom = notice_->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    notice_->setSizePolicy(keepRoom);
    noticeTimer_ = new QTimer(this);
    noticeTimer_->setObjectName(u"Timer3"_s);
    noticeTimer_->setInterval(5000);
    noticeTimer_->setSingleShot(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(start);
    layout->addWidget(options);
    layout->addWidget(notice_);
    layout->addStretch();

    connect(labels_, &QRadioButton::toggled, this, &PrintPanel::showChoice);
    connect(start, &QPushButton::clicked, this, &PrintPanel::startPrinting);
    connect(options, &QPushButton::clicked, this, &PrintPanel::openOptions);
    connect(noticeTimer_, &QTimer::timeout, notice_, &QLabel::hide);
    connect(target_.startPosition, &QLineEdit::textChanged, this, &PrintPanel::validateStartPosition);
    showChoice();
}

void PrintPanel::showChoice()
{
    const bool labels = labels_->isChecked();
    labelsPicture_->setVisible(labels);
    tablePicture_->setVisible(!labels);
    target_.startPosition->setVisible(labels);
    target_.startLabel->setVisible(labels);
    target_.startSuffix->setVisible(labels);
}

void PrintPanel::validateStartPosition(const QString& text)
{
    if (text.isEmpty())
        return;
    const double position = leadingNumber(text);
    if (position < 1 || position > settings_.labelsPerSheet()) {
        prompts_.message(kAppTitle, u"無効！"_s, PromptIcon::None, PromptButtons::Ok);
        target_.startPosition->clear();
    }
}

Result<int> PrintPanel::print()
{
    const RecordChoice choice = chooseRecords(target_.chooser->currentText(), target_.rowCount());
    const std::unique_ptr<PrintSurface> surface = factory_.create();
    if (!table_->isChecked()) {
        // The file is the authority: a printout takes what it holds now.
        settings_ = printSettingsOrDefaults(dir_.printIni());
        const int startPosition = roundToInt16(leadingNumber(target_.startPosition->text()));
        return PrintTackLabels(target_.listPath(), choice, startPosition, settings_, *surface);
    }
    return PrintDataList(target_.listPath(), choice, *surface);
}

void PrintPanel::startPrinting()
{
    notice_->show();
    notice_->repaint();
    if (const Result<int> printed = print(); !printed)
        prompts_.warn(messageTitle(u"　印刷エラー　"_s), printed.error().message);
    noticeTimer_->start();
}

void PrintPanel::openOptions()
{
    target_.startPosition->clear();
    if (option_) {
        option_->raise();
        option_->activateWindow();
        return;
    }
    option_ = new PrintOption(dir_.printIni(), prompts_, this);
    option_->setAttribute(Qt::WA_DeleteOnClose);
    connect(option_, &QDialog::accepted, this, [this] { settings_ = option_->typedSettings(); });
    option_->show();
}
