// SPDX-License-Identifier: GPL-3.0-or-later
#include "smtp/oauth.h"

#include <QCryptographicHash>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QOAuth2AuthorizationCodeFlow>
#include <QOAuthHttpServerReplyHandler>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrlQuery>

namespace {

constexpr std::chrono::minutes kSignInTime{5};

QString base64Url(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString pkceVerifier()
{
    QByteArray bytes(32, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return base64Url(bytes);
}

QString pkceChallenge(const QString& verifier)
{
    return base64Url(QCryptographicHash::hash(verifier.toLatin1(), QCryptographicHash::Sha256));
}

Error signInAgain(const QString& why)
{
    return Error{ErrorKind::SenderRefused,
                 QStringLiteral("OAuth 2.0 のサインインが無効です（%1）。SMTP詳細設定でサインインし直してください。").arg(why)};
}

} // namespace

OAuthEndpoints oauthEndpoints(const SmtpSettings& s)
{
    OAuthEndpoints ends;
    if (s.oauthProvider == u"google") {
        ends = {QUrl(QStringLiteral("https://accounts.google.com/o/oauth2/v2/auth")),
                QUrl(QStringLiteral("https://oauth2.googleapis.com/token")), QStringLiteral("https://mail.google.com/")};
    } else if (s.oauthProvider != u"custom") {
        const QString tenant = s.oauthTenant.isEmpty() ? QStringLiteral("common") : s.oauthTenant;
        const QString base = QStringLiteral("https://login.microsoftonline.com/%1/oauth2/v2.0/").arg(tenant);
        ends = {QUrl(base + QStringLiteral("authorize")), QUrl(base + QStringLiteral("token")),
                QStringLiteral("https://outlook.office.com/SMTP.Send offline_access")};
    }
    if (!s.oauthAuthorizeUrl.isEmpty())
        ends.authorize = QUrl(s.oauthAuthorizeUrl);
    if (!s.oauthTokenUrl.isEmpty())
        ends.token = QUrl(s.oauthTokenUrl);
    if (!s.oauthScope.isEmpty())
        ends.scope = s.oauthScope;
    return ends;
}

Result<AccessToken> refreshAccessToken(const SmtpSettings& s, std::chrono::milliseconds timeout)
{
    if (s.oauthRefreshToken.isEmpty())
        return std::unexpected(signInAgain(QStringLiteral("サインインしていません")));
    const OAuthEndpoints ends = oauthEndpoints(s);
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("grant_type"), QStringLiteral("refresh_token"));
    form.addQueryItem(QStringLiteral("refresh_token"), s.oauthRefreshToken);
    form.addQueryItem(QStringLiteral("client_id"), s.oauthClientId);
    if (!s.oauthClientSecret.isEmpty())
        form.addQueryItem(QStringLiteral("client_secret"), s.oauthClientSecret);
    form.addQueryItem(QStringLiteral("scope"), ends.scope);
    QNetworkRequest request(ends.token);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/x-www-form-urlencoded"));
    request.setTransferTimeout(int(timeout.count()));
    QNetworkAccessManager network;
    QNetworkReply* reply = network.post(request, form.query(QUrl::FullyEncoded).toLatin1());
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    reply->deleteLater();
    const QJsonObject answer = QJsonDocument::fromJson(reply->readAll()).object();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 400 || status == 401)
        return std::unexpected(signInAgain(answer.value(u"error").toString(QStringLiteral("トークンが拒否されました"))));
    if (reply->error() != QNetworkReply::NoError || answer.value(u"access_token").toString().isEmpty())
        return fail(ErrorKind::ConnectFailed,
                    QStringLiteral("OAuth 2.0 のトークンを受け取れません（%1）: %2").arg(ends.token.host(), reply->errorString()));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    return AccessToken{answer.value(u"access_token").toString(),
                       now.addSecs(answer.value(u"expires_in").toInteger(3600)),
                       answer.value(u"refresh_token").toString()};
}

OAuthSignIn::OAuthSignIn(const SmtpSettings& settings, QObject* parent)
    : QObject(parent), settings_(settings), verifier_(pkceVerifier())
{
    const OAuthEndpoints ends = oauthEndpoints(settings_);
    flow_ = new QOAuth2AuthorizationCodeFlow(this);
    flow_->setNetworkAccessManager(new QNetworkAccessManager(flow_));
    flow_->setAuthorizationUrl(ends.authorize);
    flow_->setAccessTokenUrl(ends.token);
    flow_->setScope(ends.scope);
    flow_->setClientIdentifier(settings_.oauthClientId);
    flow_->setClientIdentifierSharedKey(settings_.oauthClientSecret);
    flow_->setModifyParametersFunction([this](QAbstractOAuth::Stage stage, QMultiMap<QString, QVariant>* parameters) {
        if (stage == QAbstractOAuth::Stage::RequestingAuthorization) {
            parameters->insert(QStringLiteral("code_challenge"), pkceChallenge(verifier_));
            parameters->insert(QStringLiteral("code_challenge_method"), QStringLiteral("S256"));
            if (settings_.oauthProvider == u"google")
                parameters->insert(QStringLiteral("access_type"), QStringLiteral("offline"));
            if (!settings_.user.isEmpty())
                parameters->insert(QStringLiteral("login_hint"), settings_.user);
        } else if (stage == QAbstractOAuth::Stage::RequestingAccessToken) {
            parameters->insert(QStringLiteral("code_verifier"), verifier_);
            // Qt 6.4 encodes the code once more than the form does: a code with
            // "/" in it (Google's) would come back wrong.
            const QString code = parameters->value(QStringLiteral("code")).toString();
            parameters->replace(QStringLiteral("code"), QUrl::fromPercentEncoding(code.toLatin1()));
        }
    });
    connect(flow_, &QAbstractOAuth::authorizeWithBrowser, this, &OAuthSignIn::openBrowser);
    connect(flow_, &QAbstractOAuth::granted, this, [this] {
        if (flow_->refreshToken().isEmpty())
            return fail(QStringLiteral("リフレッシュトークンが発行されませんでした（スコープに offline_access などが必要です）。"));
        done_ = true;
        listener_->close();
        timeout_->stop();
        emit signedIn(flow_->refreshToken());
    });
    connect(flow_, &QAbstractOAuth2::error, this,
            [this](const QString& error, const QString& description, const QUrl&) {
                fail(description.isEmpty() ? error : description);
            });
    connect(flow_, &QAbstractOAuth::requestFailed, this,
            [this] { fail(QStringLiteral("トークンの発行元に接続できないか、拒否されました。")); });
    timeout_ = new QTimer(this);
    timeout_->setSingleShot(true);
    connect(timeout_, &QTimer::timeout, this, [this] { fail(QStringLiteral("5分以内にサインインが終わりませんでした。")); });
}

OAuthSignIn::~OAuthSignIn() = default;

void OAuthSignIn::start()
{
    listener_ = new QOAuthHttpServerReplyHandler(QHostAddress::LocalHost, 0, this);
    if (!listener_->isListening())
        return fail(QStringLiteral("127.0.0.1 で待ち受けられません。"));
    listener_->setCallbackText(QStringLiteral("サインインしました。このページを閉じて Ladderpost に戻ってください。"));
    flow_->setReplyHandler(listener_);
    timeout_->start(kSignInTime);
    flow_->grant();
}

void OAuthSignIn::cancel() { fail(QStringLiteral("キャンセルしました。")); }

void OAuthSignIn::fail(const QString& why)
{
    if (std::exchange(done_, true))
        return;
    if (listener_)
        listener_->close();
    timeout_->stop();
    emit failed(why);
}
