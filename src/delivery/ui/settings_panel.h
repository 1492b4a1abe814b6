// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/operator_prompts.h"
#include "common/program_dir.h"
#include "delivery/campaign_settings.h"
#include "lists/guest_record.h"
#include "smtp/mail_transport.h"
#include "smtp/ui/oauth_login_box.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <array>

class FileDialogMemory;
class QCheckBox;
class QFrame;
class QLabel;
class SendTimer;
struct TimerState;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QStackedWidget;

// The settings boxes of the entry tab: text file and subject of each step,
// the SMTP server and the sender, and the button that stores them.
class SettingsPanel : public QWidget {
    Q_OBJECT
public:
    SettingsPanel(const ProgramDir& dir, OperatorPrompts& prompts, FileDialogMemory& dialogs, SendTimer& timer,
                  MailTransport& transport, QWidget* parent = nullptr);

    // Fills the boxes and the sending values from config.ini.
    void readSettings();
    // At quit: stores the boxes in config.ini when they differ from what was last
    // read or stored (or there is no file yet), so an unchanged window never
    // writes back values the file no longer holds. A failed write keeps the old file and says so.
    bool writeSettings();
    // Where SMTP詳細設定's sign-in opens its address (the desktop's browser unless set).
    void setBrowser(OpenBrowser browser) { browser_ = std::move(browser); }
    // Asks systemd whether the timer sends without the window; the box shows it when known.
    void refreshAutoSend();
    // The boxes as they stand (text files, subjects) with the leading field.
    CampaignSettings settings() const;
    // The server and sender of the last read or write: what sending uses.
    const QString& smtpServer() const { return smtpServer_; }
    const QString& sender() const { return sender_; }

signals:
    void settingsStored();
    // A confirmation for the window's status bar.
    void statusMessage(const QString& text);

private:
    QGroupBox* buildTextFrame();
    QGroupBox* buildSubjectFrame();
    void pickStepFile(int step);
    void storeSettings();
    void openSmtpDetails();
    bool storeToFile();
    void showBoxes(const CampaignSettings& s);
    QLayout* buildRunRow();
    void showAutoSend(const TimerState& state);
    void storeNotifySent(bool on);

    const ProgramDir& dir_;
    OperatorPrompts& prompts_;
    FileDialogMemory& dialogs_;
    SendTimer& timer_;
    MailTransport& transport_; // SMTP詳細設定's connection test
    OpenBrowser browser_;
    QPointer<QDialog> smtpDialog_;
    QCheckBox* autoSend_ = nullptr;
    QLabel* autoSendState_ = nullptr;
    QCheckBox* notifySent_ = nullptr;
    std::array<QLineEdit*, kStepCount> textFiles_{};
    std::array<QLineEdit*, kStepCount> subjects_{};
    QLineEdit* server_ = nullptr;
    QLineEdit* senderBox_ = nullptr;
    QStackedWidget* screens_ = nullptr;
    QGroupBox* textFrame_ = nullptr;
    QGroupBox* subjectFrame_ = nullptr;
    QString leading_;
    QByteArray lastKnown_; // config.ini's line as last read or stored
    QString smtpServer_;
    QString sender_;
};
