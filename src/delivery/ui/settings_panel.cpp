// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/ui/settings_panel.h"

#include "common/ui/named.h"
#include "delivery/send_timer.h"
#include "smtp/smtp_settings.h"
#include "delivery/ui/file_dialog_memory.h"
#include "delivery/ui/sender_notice_dialog.h"
#include "smtp/ui/smtp_settings_dialog.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QGridLayout>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

// The settings tab's own captions, spaced to line up in its frames; the steps' words are stepWord's.
const std::array<QString, kStepCount> kStepCaptions = {
    QStringLiteral("繰り返し"), QStringLiteral("初　回"), QStringLiteral("２回目"),
    QStringLiteral("３回目"),   QStringLiteral("４回目"), QStringLiteral("５回目"),
    QStringLiteral("６回目"),   QStringLiteral("最　終"),
};

QGroupBox* singleBoxFrame(const QString& caption, QLineEdit* edit, QWidget* parent)
{
    auto* frame = new QGroupBox(caption, parent);
    auto* layout = new QHBoxLayout(frame);
    edit->setParent(frame);
    layout->addWidget(edit);
    return frame;
}

} // namespace

SettingsPanel::SettingsPanel(const ProgramDir& dir, OperatorPrompts& prompts,
                             FileDialogMemory& dialogs, SendTimer& timer, MailTransport& transport, QWidget* parent)
    : QWidget(parent), dir_(dir), prompts_(prompts), dialogs_(dialogs), timer_(timer), transport_(transport),
      browser_([](const QUrl& url) { QDesktopServices::openUrl(url); })
{
    screens_ = new QStackedWidget(this);
    textFrame_ = buildTextFrame();
    subjectFrame_ = buildSubjectFrame();
    screens_->addWidget(textFrame_);
    screens_->addWidget(subjectFrame_);
    screens_->setCurrentWidget(textFrame_);

    server_ = named<QLineEdit>(QStringLiteral("Text21"), this);
    senderBox_ = named<QLineEdit>(QStringLiteral("Text22"), this);
    auto* store = named<QPushButton>(QStringLiteral("Command4"), QStringLiteral("設定データ更新"), this);
    connect(store, &QPushButton::clicked, this, &SettingsPanel::storeSettings);
    auto* smtpDetails = named<QPushButton>(QStringLiteral("smtpDetailsButton"), QStringLiteral("SMTP詳細設定"), this);
    auto* senderNotice = named<QPushButton>(QStringLiteral("senderNoticeButton"), QStringLiteral("配信者情報"), this);
    connect(senderNotice, &QPushButton::clicked, this, [this] {
        auto* dialog = new SenderNoticeDialog(dir_.root(), prompts_, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
    });
    connect(smtpDetails, &QPushButton::clicked, this, &SettingsPanel::openSmtpDetails);

    // The button under the boxes rather than beside them leaves the record
    // editor next to this panel the width its long boxes need.
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(singleBoxFrame(QStringLiteral("SMTPサーバー"), server_, this), 1);
    bottom->addWidget(singleBoxFrame(QStringLiteral("送信者メールアドレス"), senderBox_, this), 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(screens_);
    layout->addLayout(bottom);
    layout->addLayout(buildRunRow());
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(senderNotice);
    buttons->addWidget(smtpDetails);
    buttons->addWidget(store);
    layout->addLayout(buttons);
}

// The runs without the window: the timer, and whether they tell when all went.
QLayout* SettingsPanel::buildRunRow()
{
    autoSend_ = new QCheckBox(QStringLiteral("自動送信（ウィンドウを閉じていても送信）"), this);
    autoSend_->setObjectName(QStringLiteral("autoSend"));
    autoSend_->setEnabled(false);
    autoSendState_ = new QLabel(this);
    autoSendState_->setObjectName(QStringLiteral("autoSendState"));
    autoSendState_->setWordWrap(true);
    notifySent_ = new QCheckBox(QStringLiteral("送信完了を通知"), this);
    notifySent_->setObjectName(QStringLiteral("notifySent"));
    notifySent_->setToolTip(QStringLiteral("自動送信ですべて送れたときも、件数をデスクトップに通知します"));
    notifySent_->setChecked(readSmtpFile(dir_.root()).value_or(SmtpSettings{}).notifySent);
    connect(autoSend_, &QCheckBox::clicked, this, [this](bool on) {
        autoSend_->setEnabled(false);
        autoSendState_->setText(QStringLiteral("切り替え中…"));
        on ? timer_.switchOn() : timer_.switchOff();
    });
    connect(&timer_, &SendTimer::stateKnown, this, &SettingsPanel::showAutoSend);
    connect(notifySent_, &QCheckBox::clicked, this, &SettingsPanel::storeNotifySent);
    auto* rows = new QVBoxLayout;
    rows->addWidget(autoSend_);
    rows->addWidget(autoSendState_);
    rows->addWidget(notifySent_);
    return rows;
}

void SettingsPanel::refreshAutoSend() { timer_.refresh(); }

void SettingsPanel::showAutoSend(const TimerState& state)
{
    autoSend_->setEnabled(state.available);
    autoSend_->setChecked(state.enabled);
    QString text;
    if (!state.available)
        text = QStringLiteral("使えません: ") + state.problem;
    else if (!state.otherFolder.isEmpty())
        text = QStringLiteral("別のフォルダー（%1）で有効").arg(state.otherFolder);
    else if (state.enabled)
        text = QStringLiteral("次回 %1").arg(state.nextRun.toString(QStringLiteral("M/d H:mm")))
               + (state.lingering ? QString()
                                  : QStringLiteral("。ログアウト中は送りません（端末で「loginctl enable-linger」を"
                                                   "一度実行すると、ログアウト中も送ります）"));
    else
        text = QStringLiteral("オフ");
    autoSendState_->setText(text);
}

void SettingsPanel::storeNotifySent(bool on)
{
    if (auto stored = ::storeNotifySent(dir_.root(), on); !stored) {
        notifySent_->setChecked(!on);
        prompts_.warn(messageTitle(QStringLiteral("　設定保存エラー　")), stored.error().message);
    }
}

void SettingsPanel::openSmtpDetails()
{
    // One at a time, over the window; the schedule goes on while it is open.
    if (smtpDialog_) {
        smtpDialog_->raise();
        smtpDialog_->activateWindow();
        return;
    }
    smtpDialog_ = new SmtpSettingsDialog(dir_.root(), [this] { return server_->text().trimmed(); }, prompts_, transport_, browser_, this);
    smtpDialog_->setAttribute(Qt::WA_DeleteOnClose);
    smtpDialog_->setWindowModality(Qt::WindowModal);
    smtpDialog_->show();
}

QGroupBox* SettingsPanel::buildTextFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("送信Text設定"));
    frame->setObjectName(QStringLiteral("Frame6"));
    auto* grid = new QGridLayout(frame);
    for (int step = 0; step < kStepCount; ++step) {
        textFiles_[step] = named<QLineEdit>(QStringLiteral("Text%1").arg(4 + step), frame);
        auto* picker = named<QPushButton>(QStringLiteral("Command%1").arg(7 + step), QStringLiteral("..."),
                                   frame);
        picker->setFixedWidth(32);
        picker->setAccessibleName(QStringLiteral("%1のテキストを選ぶ").arg(kStepCaptions[step]));
        connect(picker, &QPushButton::clicked, this, [this, step] { pickStepFile(step); });
        auto* caption = new QLabel(kStepCaptions[step], frame);
        caption->setBuddy(textFiles_[step]);
        grid->addWidget(caption, step, 0);
        grid->addWidget(textFiles_[step], step, 1);
        grid->addWidget(picker, step, 2);
    }
    auto* toSubjects = named<QPushButton>(QStringLiteral("Command15"), QStringLiteral("送信件名登録画面"), frame);
    connect(toSubjects, &QPushButton::clicked, this,
            [this] { screens_->setCurrentWidget(subjectFrame_); });
    grid->addWidget(toSubjects, kStepCount, 1, 1, 2, Qt::AlignRight);
    return frame;
}

QGroupBox* SettingsPanel::buildSubjectFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("送信件名の登録"));
    frame->setObjectName(QStringLiteral("Frame7"));
    auto* grid = new QGridLayout(frame);
    for (int step = 0; step < kStepCount; ++step) {
        subjects_[step] = named<QLineEdit>(QStringLiteral("Text%1").arg(12 + step), frame);
        auto* caption = new QLabel(kStepCaptions[step], frame);
        caption->setBuddy(subjects_[step]);
        grid->addWidget(caption, step, 0);
        grid->addWidget(subjects_[step], step, 1);
    }
    auto* toTexts = named<QPushButton>(QStringLiteral("Command16"), QStringLiteral("送信Text設定画面"), frame);
    connect(toTexts, &QPushButton::clicked, this,
            [this] { screens_->setCurrentWidget(textFrame_); });
    grid->addWidget(toTexts, kStepCount, 1, Qt::AlignRight);
    return frame;
}

void SettingsPanel::pickStepFile(int step)
{
    const QString chosen = dialogs_.openFile(dir_.textDir() + u'/', QStringLiteral("*.txt"),
                                             QStringLiteral("*.txt"));
    if (!chosen.isEmpty())
        textFiles_[step]->setText(chosen);
}

void SettingsPanel::readSettings()
{
    const CampaignSettings s = readCampaignSettings(dir_.config());
    lastKnown_ = formatCampaignSettings(s);
    leading_ = s.leading;
    smtpServer_ = s.smtpServer;
    sender_ = s.sender;
    showBoxes(s);
}

bool SettingsPanel::writeSettings()
{
    if (formatCampaignSettings(settings()) == lastKnown_ && QFileInfo::exists(dir_.config()))
        return true;
    return storeToFile();
}

bool SettingsPanel::storeToFile()
{
    const CampaignSettings s = settings();
    showBoxes(s);
    smtpServer_ = s.smtpServer;
    sender_ = s.sender;
    auto written = writeCampaignSettings(dir_.config(), s);
    if (written)
        lastKnown_ = formatCampaignSettings(s);
    if (!written)
        prompts_.warn(messageTitle(QStringLiteral("　設定保存エラー　")),
                      QStringLiteral("設定を保存できませんでした（以前の設定ファイルはそのままです）\r\n")
                          + written.error().message);
    return written.has_value();
}

CampaignSettings SettingsPanel::settings() const
{
    CampaignSettings s;
    s.leading = leading_;
    for (int step = 0; step < kStepCount; ++step) {
        s.textFiles[step] = storableSettingValue(textFiles_[step]->text());
        s.subjects[step] = storableSettingValue(subjects_[step]->text());
    }
    s.smtpServer = storableSettingValue(server_->text());
    s.sender = storableSettingValue(senderBox_->text());
    return s;
}

void SettingsPanel::showBoxes(const CampaignSettings& s)
{
    for (int step = 0; step < kStepCount; ++step) {
        textFiles_[step]->setText(s.textFiles[step]);
        subjects_[step]->setText(s.subjects[step]);
    }
    server_->setText(s.smtpServer);
    senderBox_->setText(s.sender);
}

void SettingsPanel::storeSettings()
{
    screens_->setCurrentWidget(textFrame_);
    // A failed write keeps the boxes as typed rather than re-reading the old file.
    if (storeToFile()) {
        readSettings();
        emit statusMessage(QStringLiteral("設定データを更新しました"));
    }
    emit settingsStored();
}
