#include "delivery/mail_transport.h"

#include "delivery/mail_message.h"

#include <QUuid>

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

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

// What curl sent and heard last, to tell a refused recipient from other failures.
struct Conversation {
    QByteArray message;
    qsizetype readPos = 0;
    QByteArray lastCommand;
    QByteArray lastReply;
    bool quitting = false; // the closing QUIT must not hide the reply that failed
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
    const QByteArray line = QByteArray(data, qsizetype(size)).trimmed();
    if (type == CURLINFO_HEADER_OUT && line.startsWith("QUIT"))
        talk->quitting = true;
    else if (type == CURLINFO_HEADER_OUT)
        talk->lastCommand = line;
    else if (type == CURLINFO_HEADER_IN)
        talk->lastReply = line;
    return 0;
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

Error transportError(CURLcode code, const Conversation& talk, const char* curlText, CURL* curl,
                     const SmtpEndpoint& endpoint, const QString& to)
{
    const QString detail = talk.lastReply.isEmpty() ? QString::fromUtf8(curlText)
                                                    : QString::fromUtf8(talk.lastReply);
    curl_off_t connectTime = 0;
    curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connectTime);
    const bool notConnected = code == CURLE_COULDNT_CONNECT || code == CURLE_COULDNT_RESOLVE_HOST
                              || (code == CURLE_OPERATION_TIMEDOUT && connectTime == 0);
    if (notConnected)
        return Error{ErrorKind::ConnectFailed, QStringLiteral("SMTPサーバー「%1」に接続できません: %2")
                                                   .arg(hostPort(endpoint), detail)};
    if (talk.lastCommand.startsWith("RCPT"))
        return Error{ErrorKind::RecipientRefused,
                     QStringLiteral("宛先「%1」はサーバーに拒否されました: %2").arg(to, detail)};
    return Error{ErrorKind::Transfer, QStringLiteral("送信に失敗しました: %1").arg(detail)};
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

    const CURLcode code = curl_easy_perform(handle);
    if (code != CURLE_OK)
        return std::unexpected(transportError(code, talk, errorText, handle, *endpoint, mail.to));
    return {};
}
