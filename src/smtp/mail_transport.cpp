// SPDX-License-Identifier: GPL-3.0-or-later
#include "smtp/mail_transport.h"

#include "smtp/endpoint.h"
#include "smtp/mail_message.h"
#include "smtp/smtp_conversation.h"

#include <QFile>
#include <QUuid>

#include <curl/curl.h>

#include <algorithm>
#include <memory>

#include <sys/socket.h>

namespace {

struct CurlCleanup {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct ListCleanup {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// libcurl with OpenSSL takes one CA bundle and drops its default for it: the
// system's bundle and the operator's file go in together as one PEM blob.
Result<QByteArray> trustedCertificates(const QString& caFile)
{
    QByteArray pem;
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    if (info->cainfo) {
        QFile system(QString::fromLocal8Bit(info->cainfo));
        if (system.open(QIODevice::ReadOnly))
            pem = system.readAll() + '\n';
    }
    QFile extra(caFile);
    if (!extra.open(QIODevice::ReadOnly))
        return fail(ErrorKind::InvalidInput, QStringLiteral("証明書ファイル「%1」を読めません: %2").arg(caFile, extra.errorString()));
    return pem + extra.readAll();
}

QString certificateOf(CURL* curl)
{
    curl_certinfo* chain = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_CERTINFO, &chain) != CURLE_OK || !chain || chain->num_of_certs < 1)
        return {};
    QStringList parts;
    for (curl_slist* field = chain->certinfo[0]; field; field = field->next) {
        const QString text = QString::fromUtf8(field->data);
        if (text.startsWith(u"Subject:") || text.startsWith(u"Issuer:") || text.startsWith(u"Expire date:"))
            parts.append(text);
    }
    return parts.join(u'\n');
}

} // namespace

// One SMTP session's handle: address, encryption, login and trust, and the
// watch on the conversation; what a send and the connection test share.
class SmtpSession {
public:
    SmtpSession(std::chrono::milliseconds connectTimeout, std::chrono::milliseconds transferTimeout)
        : curl_(curl_easy_init()), connectTimeout_(connectTimeout), transferTimeout_(transferTimeout)
    {
    }
    // The cleanup says QUIT: by then the conversation it would be told of is gone.
    ~SmtpSession()
    {
        if (curl_)
            curl_easy_setopt(curl_.get(), CURLOPT_VERBOSE, 0L);
        curl_.reset();
    }
    SmtpSession(const SmtpSession&) = delete;
    SmtpSession& operator=(const SmtpSession&) = delete;

    Result<void> prepare(const SmtpEndpoint& endpoint, const SmtpSettings& connection, bool login = true)
    {
        endpoint_ = hostPort(endpoint);
        connection_ = connection;
        if (!curl_)
            return fail(ErrorKind::Transfer, QStringLiteral("送信の準備ができません。"));
        const bool encrypted = connection.security != SmtpSecurity::None;
        // In clear only to a server on this machine, and only when "none" was chosen, never by default.
        if (!connection.user.isEmpty() && !encrypted && !(connection.securityChosen && isLoopbackHost(endpoint.host)))
            return fail(ErrorKind::InvalidInput,
                        QStringLiteral("暗号化しない接続ではログインしません（パスワードが読まれるため）。"
                                       "SMTP詳細設定で STARTTLS か TLS を選んでください。"));
        if (!connection.caFile.isEmpty()) {
            auto pem = trustedCertificates(connection.caFile);
            if (!pem)
                return std::unexpected(pem.error());
            trusted_ = *pem;
        }
        url_ = (connection.security == SmtpSecurity::Tls ? "smtps://" : "smtp://") + hostPort(endpoint).toUtf8();
        user_ = connection.user.toUtf8();
        password_ = (connection.oauth() ? connection.accessToken : connection.password).toUtf8();
        CURL* handle = curl_.get();
        curl_easy_setopt(handle, CURLOPT_URL, url_.constData());
        curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
        if (connection.security == SmtpSecurity::StartTls)
            curl_easy_setopt(handle, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
        curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
        if (!trusted_.isEmpty()) {
            curl_blob blob{trusted_.data(), size_t(trusted_.size()), CURL_BLOB_COPY};
            curl_easy_setopt(handle, CURLOPT_CAINFO_BLOB, &blob);
        }
        if (login && !user_.isEmpty())
            curl_easy_setopt(handle, CURLOPT_USERNAME, user_.constData());
        if (login && !user_.isEmpty() && connection.oauth()) {
            // XOAUTH2 alone: a server that does not offer it never gets a password try instead.
            curl_easy_setopt(handle, CURLOPT_XOAUTH2_BEARER, password_.constData());
            curl_easy_setopt(handle, CURLOPT_LOGIN_OPTIONS, "AUTH=XOAUTH2");
        } else if (login && !user_.isEmpty()) {
            curl_easy_setopt(handle, CURLOPT_PASSWORD, password_.constData());
        }
        curl_easy_setopt(handle, CURLOPT_VERBOSE, 1L);
        curl_easy_setopt(handle, CURLOPT_DEBUGFUNCTION, watchTraffic);
        curl_easy_setopt(handle, CURLOPT_DEBUGDATA, &talk_);
        curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText_);
        curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, long(connectTimeout_.count()));
        curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, long(transferTimeout_.count()));
        curl_easy_setopt(handle, CURLOPT_SOCKOPTFUNCTION, keepSocket);
        curl_easy_setopt(handle, CURLOPT_SOCKOPTDATA, &talk_);
        return {};
    }

    CURLcode perform()
    {
        const CURLcode code = curl_easy_perform(curl_.get());
        // A server that went quiet would hold the closing QUIT for minutes.
        if (code != CURLE_OK && talk_.replyPending && talk_.socket != CURL_SOCKET_BAD)
            ::shutdown(talk_.socket, SHUT_RDWR);
        return code;
    }

    Error error(CURLcode code, const SmtpEndpoint& endpoint, const QString& to)
    {
        return transportError(code, talk_, errorText_, curl_.get(), endpoint, to);
    }

    CURL* handle() { return curl_.get(); }
    SmtpConversation& talk() { return talk_; }

    // Whether the next mail to that server with those settings may go over this connection.
    bool servesNext(const SmtpEndpoint& endpoint, const SmtpSettings& connection) const
    {
        const SmtpSettings& c = connection_;
        return mails_ < connection.maxPerConnection && endpoint_ == hostPort(endpoint) && c.port == connection.port
               && c.security == connection.security && c.securityChosen == connection.securityChosen
               && c.user == connection.user && c.password == connection.password && c.auth == connection.auth
               && c.caFile == connection.caFile;
    }
    // A new mail on the kept connection: what the last one said must not tell its story.
    void beginMail(const QByteArray& message)
    {
        const curl_socket_t socket = talk_.socket;
        const bool greeted = talk_.greeted;
        talk_ = SmtpConversation{};
        talk_.message = message;
        talk_.socket = socket;
        talk_.greeted = greeted;
        ++mails_;
    }

private:
    std::unique_ptr<CURL, CurlCleanup> curl_;
    std::chrono::milliseconds connectTimeout_;
    std::chrono::milliseconds transferTimeout_;
    SmtpConversation talk_;
    QByteArray url_, user_, password_, trusted_;
    QString endpoint_;
    SmtpSettings connection_;
    int mails_ = 0;
    char errorText_[CURL_ERROR_SIZE] = {};
};

CurlMailTransport::CurlMailTransport(std::chrono::milliseconds connectTimeout,
                                     std::chrono::milliseconds transferTimeout)
    : connectTimeout_(connectTimeout), transferTimeout_(transferTimeout)
{
}

CurlMailTransport::~CurlMailTransport() = default;

Result<void> CurlMailTransport::send(const OutgoingMail& mail)
{
    initCurl();
    const auto endpoint = smtpEndpoint(mail.server, mail.connection);
    if (!endpoint)
        return std::unexpected(endpoint.error());
    const QString domain = mail.from.section(u'@', -1);
    const QString messageId = QUuid::createUuid().toString(QUuid::WithoutBraces) + u'@' + domain;
    OutgoingMail dated = mail;
    if (!dated.sentAt.isValid())
        dated.sentAt = QDateTime::currentDateTime();
    auto message = buildMailMessage(dated, messageId);
    if (!message)
        return std::unexpected(message.error());

    if (!session_ || !session_->servesNext(*endpoint, mail.connection)) {
        session_ = std::make_unique<SmtpSession>(connectTimeout_, transferTimeout_);
        if (auto ready = session_->prepare(*endpoint, mail.connection); !ready) {
            session_.reset();
            return std::unexpected(ready.error());
        }
    }
    SmtpSession& session = *session_;
    session.beginMail(*message);
    const QByteArray from = "<" + mail.from.toUtf8() + ">";
    std::unique_ptr<curl_slist, ListCleanup> recipients(
        curl_slist_append(nullptr, ("<" + mail.to.toUtf8() + ">").constData()));
    SmtpConversation& talk = session.talk();
    CURL* handle = session.handle();
    curl_easy_setopt(handle, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(handle, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(handle, CURLOPT_INFILESIZE_LARGE, curl_off_t(talk.message.size()));
    curl_easy_setopt(handle, CURLOPT_READFUNCTION, readMessage);
    curl_easy_setopt(handle, CURLOPT_READDATA, &talk);

    const CURLcode code = session.perform();
    curl_easy_setopt(handle, CURLOPT_MAIL_RCPT, nullptr); // the list goes with this call
    if (code == CURLE_OK)
        return {};
    Error error = session.error(code, *endpoint, mail.to);
    // A refusal leaves the line as it was; anything else may have left it in the middle of a mail.
    if (error.kind != ErrorKind::RecipientRefused && error.kind != ErrorKind::MessageRefused
        && error.kind != ErrorKind::TemporaryFailure)
        session_.reset();
    return std::unexpected(error);
}

void CurlMailTransport::endSession() { session_.reset(); }

Result<QString> CurlMailTransport::testConnection(const QString& server, const SmtpSettings& connection)
{
    initCurl();
    const auto endpoint = smtpEndpoint(server, connection);
    if (!endpoint)
        return std::unexpected(endpoint.error());
    // CONNECT_ONLY runs greeting, STARTTLS and AUTH and stops before MAIL FROM;
    // the handle's cleanup then says QUIT. The operator waits for the answer: shorter limits.
    const auto connectLimit = std::min(connectTimeout_, std::chrono::milliseconds(std::chrono::seconds(15)));
    const auto transferLimit = std::min(transferTimeout_, std::chrono::milliseconds(std::chrono::seconds(30)));
    SmtpSession session(connectLimit, transferLimit);
    if (auto ready = session.prepare(*endpoint, connection); !ready)
        return std::unexpected(ready.error());
    curl_easy_setopt(session.handle(), CURLOPT_CONNECT_ONLY, 1L);
    const CURLcode code = session.perform();
    if (code == CURLE_OK)
        return QString::fromUtf8(session.talk().replies.join('\n'));
    Error error = session.error(code, *endpoint, {});
    if (code == CURLE_PEER_FAILED_VERIFICATION) {
        // Once more without trusting it and without a login, only to read what it presents.
        SmtpSession look(connectLimit, transferLimit);
        if (look.prepare(*endpoint, connection, false)) {
            curl_easy_setopt(look.handle(), CURLOPT_CONNECT_ONLY, 1L);
            curl_easy_setopt(look.handle(), CURLOPT_SSL_VERIFYPEER, 0L);
            curl_easy_setopt(look.handle(), CURLOPT_SSL_VERIFYHOST, 0L);
            curl_easy_setopt(look.handle(), CURLOPT_CERTINFO, 1L);
            if (look.perform() == CURLE_OK)
                error.message += u'\n' + certificateOf(look.handle());
        }
    }
    return std::unexpected(error);
}
