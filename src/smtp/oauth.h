// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "smtp/smtp_settings.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>
#include <memory>

class QOAuth2AuthorizationCodeFlow;
class QOAuthHttpServerReplyHandler;
class QTimer;

// Where a provider signs the operator in and hands out tokens: the preset of
// oauth_provider, with any URL or scope smtp.ini gives instead.
struct OAuthEndpoints {
    QUrl authorize;
    QUrl token;
    QString scope;
};
OAuthEndpoints oauthEndpoints(const SmtpSettings& settings);

struct AccessToken {
    QString token;
    QDateTime expires;
    QString refreshToken; // the provider's new one when it rotates them, else empty
};
// A fresh access token for the settings' refresh token, waiting at most timeout
// (a local event loop: for the send worker and the run without a window).
// SenderRefused, saying to sign in again, when the provider refuses the token.
Result<AccessToken> refreshAccessToken(const SmtpSettings& settings,
                                       std::chrono::milliseconds timeout = std::chrono::seconds(30));

// The authorisation-code flow with PKCE (S256) and state: a one-shot listener
// on 127.0.0.1 at a random port is the redirect; the browser is the caller's.
class OAuthSignIn : public QObject {
    Q_OBJECT
public:
    explicit OAuthSignIn(const SmtpSettings& settings, QObject* parent = nullptr);
    ~OAuthSignIn() override;
    void start();
    void cancel();

signals:
    void openBrowser(const QUrl& url);
    void signedIn(const QString& refreshToken);
    void failed(const QString& why);

private:
    void fail(const QString& why);

    SmtpSettings settings_;
    QString verifier_;
    QOAuth2AuthorizationCodeFlow* flow_ = nullptr;
    QOAuthHttpServerReplyHandler* listener_ = nullptr;
    QTimer* timeout_ = nullptr;
    bool done_ = false;
};
