// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "smtp/smtp_settings.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <functional>

class OAuthSignIn;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Opens an address in the desktop's browser (QDesktopServices in the program).
using OpenBrowser = std::function<void(const QUrl&)>;

// The OAuth 2.0 part of SMTP詳細設定: the provider, the client registered with it
// and 「サインイン」, which runs the sign-in in the browser.
class OAuthLoginBox : public QWidget {
    Q_OBJECT
public:
    OAuthLoginBox(OpenBrowser browser, QWidget* parent = nullptr);

    void showSettings(const SmtpSettings& s);
    void apply(SmtpSettings& s) const; // the provider and client fields into s
    // What sign-in starts from: the dialog's settings as typed.
    void setSettingsSource(std::function<SmtpSettings()> typed) { typed_ = std::move(typed); }
    void showSignedIn(bool signedIn);

signals:
    void signedIn(const QString& refreshToken);

private:
    void signIn();

    OpenBrowser browser_;
    std::function<SmtpSettings()> typed_;
    QComboBox* provider_ = nullptr;
    QLineEdit* clientId_ = nullptr;
    QLineEdit* clientSecret_ = nullptr;
    QLineEdit* tenant_ = nullptr;
    QLineEdit* authorizeUrl_ = nullptr;
    QLineEdit* tokenUrl_ = nullptr;
    QLineEdit* scope_ = nullptr;
    QPushButton* signInButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QLabel* state_ = nullptr;
    QPointer<OAuthSignIn> running_;
};
