#include "delivery/mail_transport.h"

#include "delivery/mail_message.h"

#include <QUuid>

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

#include <sys/socket.h>

namespace {

Error invalidServer(const QString& server)
{
    return Error{ErrorKind::InvalidInput,
                 QStringLiteral("SMTPサーバー「%1」が正しくありません。").arg(server)};
}

bool isHostCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == u'.' || c == u'-' || c == u'_' || c == u':';
}

// What curl sent and heard, to tell which step of the conversation failed.
struct Conversation {
    QByteArray message;
    qsizetype readPos = 0;
    QByteArray lastCommand;
    QByteArray lastReply;
    bool greeted = false;
    bool replyPending = false; // a command went out and nothing came back yet
    bool bodySent = false;     // the message itself went out
    bool quitting = false;     // the closing QUIT must not hide the reply that failed
    curl_socket_t socket = CURL_SOCKET_BAD;
};

size_t readMessage(char* buffer, size_t size, size_t count, void* user)
{
    auto* talk = static_cast<Conversation*>(user);
    const qsizetype n = std::min<qsizetype>(qsizetype(size * count), talk->message.size() - talk->readPos);
    std::memcpy(buffer, talk->message.constData() + talk->readPos, size_t(n));
    talk->readPos += n;
    return size_t(n);
}

int watchTraffic(CURL*, curl_infotype type, char* data, size_t size, void* user)
{
    auto* talk = static_cast<Conversation*>(user);
    if (talk->quitting)
        return 0;
    const QByteArray text = QByteArray(data, qsizetype(size)).trimmed();
    if (type == CURLINFO_HEADER_OUT && text.startsWith("QUIT")) {
        talk->quitting = true;
    } else if (type == CURLINFO_HEADER_OUT) {
        talk->lastCommand = text;
        talk->lastReply.clear();
        talk->replyPending = true;
    } else if (type == CURLINFO_DATA_OUT) {
        talk->bodySent = true;
        talk->replyPending = true;
    } else if (type == CURLINFO_HEADER_IN) {
        talk->lastReply = text.split('\n').last().trimmed();
        talk->greeted = true;
        talk->replyPending = false;
    }
    return 0;
}

int keepSocket(void* user, curl_socket_t socket, curlsocktype)
{
    static_cast<Conversation*>(user)->socket = socket;
    return CURL_SOCKOPT_OK;
}

struct CurlCleanup {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct ListCleanup {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

QString hostPort(const SmtpEndpoint& endpoint)
{
    const QString host = endpoint.host.contains(u':') ? u'[' + endpoint.host + u']' : endpoint.host;
    return host + u':' + QString::number(endpoint.port);
}

bool couldNotConnect(CURLcode code, CURL* curl)
{
    curl_off_t connectTime = 0;
    curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connectTime);
    return code == CURLE_COULDNT_CONNECT || code == CURLE_COULDNT_RESOLVE_HOST
           || (code == CURLE_OPERATION_TIMEDOUT && connectTime == 0);
}

ErrorKind refusalKind(const Conversation& talk)
{
    const bool greeting = talk.lastCommand.isEmpty() || talk.lastCommand.startsWith("EHLO")
                          || talk.lastCommand.startsWith("HELO");
    // 421 is the server closing the line, wherever it comes.
    if (greeting || talk.lastReply.startsWith("421"))
        return ErrorKind::ConnectFailed;
    if (talk.lastReply.startsWith('4'))
        return ErrorKind::TemporaryFailure;
    if (talk.bodySent || talk.lastCommand.startsWith("DATA"))
        return ErrorKind::MessageRefused;
    if (talk.lastCommand.startsWith("RCPT"))
        return ErrorKind::RecipientRefused;
    if (talk.lastCommand.startsWith("MAIL") || talk.lastCommand.startsWith("AUTH"))
        return ErrorKind::SenderRefused;
    return ErrorKind::Transfer;
}

Error transportError(CURLcode code, const Conversation& talk, const char* curlText, CURL* curl,
                     const SmtpEndpoint& endpoint, const QString& to)
{
    const QString server = hostPort(endpoint);
    const QString reply = QString::fromUtf8(talk.lastReply);
    if (couldNotConnect(code, curl))
        return Error{ErrorKind::ConnectFailed, QStringLiteral("SMTPサーバー「%1」に接続できません: %2")
                                                   .arg(server, QString::fromUtf8(curlText))};
    if (!talk.greeted)
        return Error{ErrorKind::ConnectFailed,
                     QStringLiteral("SMTPサーバー「%1」が応答しません: %2").arg(server, QString::fromUtf8(curlText))};
    if (talk.replyPending && talk.bodySent)
        return Error{ErrorKind::Uncertain,
                     QStringLiteral("本文の送信後にサーバーの応答が途絶えました（届いた可能性があります）: %1")
                         .arg(QString::fromUtf8(curlText))};
    if (talk.replyPending)
        return Error{ErrorKind::ConnectFailed, QStringLiteral("「%1」の後にSMTPサーバー「%2」との接続が切れました: %3")
                                                   .arg(QString::fromUtf8(talk.lastCommand.left(4)), server,
                                                        QString::fromUtf8(curlText))};
    switch (const ErrorKind kind = refusalKind(talk)) {
    case ErrorKind::RecipientRefused:
        return Error{kind, QStringLiteral("宛先「%1」はサーバーに拒否されました: %2").arg(to, reply)};
    case ErrorKind::MessageRefused:
        return Error{kind, QStringLiteral("メールはサーバーに拒否されました: %1").arg(reply)};
    case ErrorKind::SenderRefused:
        return Error{kind, QStringLiteral("送信者はサーバーに拒否されました: %1").arg(reply)};
    case ErrorKind::TemporaryFailure:
        return Error{kind, QStringLiteral("サーバーが一時的に受け付けませんでした: %1").arg(reply)};
    case ErrorKind::ConnectFailed:
        return Error{kind, QStringLiteral("SMTPサーバー「%1」が接続を断りました: %2").arg(server, reply)};
    default:
        return Error{kind, QStringLiteral("送信に失敗しました: %1").arg(reply)};
    }
}

} // namespace

Result<SmtpEndpoint> parseSmtpServer(const QString& server)
{
    const QString text = server.trimmed();
    SmtpEndpoint endpoint{text, 25};
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close < 0)
            return std::unexpected(invalidServer(server));
        endpoint.host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(u':'))
            return std::unexpected(invalidServer(server));
        if (!rest.isEmpty())
            endpoint.port = rest.mid(1).toInt();
    } else if (text.count(u':') == 1) {
        const qsizetype colon = text.indexOf(u':');
        endpoint.host = text.left(colon);
        endpoint.port = text.mid(colon + 1).toInt();
    }
    const bool hostOk = !endpoint.host.isEmpty()
                        && std::ranges::all_of(endpoint.host, isHostCharacter)
                        && (text.startsWith(u'[') || !endpoint.host.contains(u':'));
    if (!hostOk || endpoint.port < 1 || endpoint.port > 65535)
        return std::unexpected(invalidServer(server));
    return endpoint;
}

CurlMailTransport::CurlMailTransport(std::chrono::milliseconds connectTimeout,
                                     std::chrono::milliseconds transferTimeout)
    : connectTimeout_(connectTimeout), transferTimeout_(transferTimeout)
{
}

Result<void> CurlMailTransport::send(const OutgoingMail& mail)
{
    static std::once_flag curlReady;
    std::call_once(curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    const auto endpoint = parseSmtpServer(mail.server);
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

    std::unique_ptr<CURL, CurlCleanup> curl(curl_easy_init());
    if (!curl)
        return fail(ErrorKind::Transfer, QStringLiteral("送信の準備ができません。"));
    const QByteArray url = "smtp://" + hostPort(*endpoint).toUtf8();
    const QByteArray from = "<" + mail.from.toUtf8() + ">";
    std::unique_ptr<curl_slist, ListCleanup> recipients(
        curl_slist_append(nullptr, ("<" + mail.to.toUtf8() + ">").constData()));
    Conversation talk{*message};
    char errorText[CURL_ERROR_SIZE] = {};

    CURL* handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_URL, url.constData());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "smtp");
    curl_easy_setopt(handle, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(handle, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(handle, CURLOPT_INFILESIZE_LARGE, curl_off_t(talk.message.size()));
    curl_easy_setopt(handle, CURLOPT_READFUNCTION, readMessage);
    curl_easy_setopt(handle, CURLOPT_READDATA, &talk);
    curl_easy_setopt(handle, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(handle, CURLOPT_DEBUGFUNCTION, watchTraffic);
    curl_easy_setopt(handle, CURLOPT_DEBUGDATA, &talk);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, long(connectTimeout_.count()));
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, long(transferTimeout_.count()));
    curl_easy_setopt(handle, CURLOPT_SOCKOPTFUNCTION, keepSocket);
    curl_easy_setopt(handle, CURLOPT_SOCKOPTDATA, &talk);

    const CURLcode code = curl_easy_perform(handle);
    if (code == CURLE_OK)
        return {};
    // A server that went quiet would hold the closing QUIT for minutes.
    if (talk.replyPending && talk.socket != CURL_SOCKET_BAD)
        ::shutdown(talk.socket, SHUT_RDWR);
    return std::unexpected(transportError(code, talk, errorText, handle, *endpoint, mail.to));
}
