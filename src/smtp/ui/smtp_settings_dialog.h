// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/operator_prompts.h"
#include "smtp/mail_transport.h"
#include "smtp/smtp_settings.h"
#include "smtp/ui/oauth_login_box.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// 「SMTP詳細設定」: the keys of smtp.ini, stored atomically, and a connection
// test against the server of the settings tab that runs off the window's thread.
class SmtpSettingsDialog : public QDialog {
    Q_OBJECT
public:
    // server: what the settings tab's Text21 holds at the moment it is asked.
    SmtpSettingsDialog(QString programDir, std::function<QString()> server, OperatorPrompts& prompts,
                       MailTransport& transport, OpenBrowser browser, QWidget* parent = nullptr);

    SmtpSettings typed() const;

private:
    void showSettings(const SmtpSettings& s);
    QString typingMistake() const; // empty when port and pause are usable
    void fetchStoredPassword(const SmtpSettings& stored);
    void showSecretHint();
    void showLoginKind();
    void save();
    void testConnection();

    QString programDir_;
    std::function<QString()> server_;
    SmtpSettings loaded_;
    OperatorPrompts& prompts_;
    MailTransport& transport_;
    QLineEdit* port_ = nullptr;
    QComboBox* security_ = nullptr;
    QComboBox* auth_ = nullptr;
    OAuthLoginBox* oauth_ = nullptr;
    QFormLayout* form_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* fromName_ = nullptr;
    QLineEdit* pause_ = nullptr;
    QLineEdit* caFile_ = nullptr;
    QCheckBox* passwordInFile_ = nullptr;
    QLabel* secretHint_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QPushButton* testButton_ = nullptr;
    QPlainTextEdit* answers_ = nullptr;
};
