// SPDX-License-Identifier: GPL-3.0-or-later
#include "smtp/smtp_conversation.h"

#include "smtp/smtp_log.h"

#include <algorithm>
#include <cstring>

namespace {

// "AUTH PLAIN <credentials>" kept as "AUTH PLAIN".
QByteArray withoutCredentials(const QByteArray& command)
{
    return command.startsWith("AUTH") ? command.split(' ').mid(0, 2).join(' ') : command;
}

bool couldNotConnect(CURLcode code, const SmtpConversation& talk, CURL* curl)
{
    curl_off_t connectTime = 0;
    curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connectTime);
    // A kept connection has no connect time of its own: a time-out on it came later.
    return code == CURLE_COULDNT_CONNECT || code == CURLE_COULDNT_RESOLVE_HOST
           || (code == CURLE_OPERATION_TIMEDOUT && connectTime == 0 && !talk.greeted);
}

ErrorKind refusalKind(const SmtpConversation& talk)
{
    const bool greeting = talk.lastCommand.isEmpty() || talk.lastCommand.startsWith("EHLO")
                          || talk.lastCommand.startsWith("HELO");
    if (greeting)
        return ErrorKind::ConnectFailed;
    // 421 is the server closing this session: a new one may take the mail.
    if (talk.lastReply.startsWith("421"))
        return ErrorKind::ConnectionLost;
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

} // namespace

size_t readMessage(char* buffer, size_t size, size_t count, void* user)
{
    auto* talk = static_cast<SmtpConversation*>(user);
    const qsizetype n = std::min<qsizetype>(qsizetype(size * count), talk->message.size() - talk->readPos);
    std::memcpy(buffer, talk->message.constData() + talk->readPos, size_t(n));
    talk->readPos += n;
    talk->bodyEnded = talk->readPos == talk->message.size();
    return size_t(n);
}

int watchTraffic(CURL*, curl_infotype type, char* data, size_t size, void* user)
{
    auto* talk = static_cast<SmtpConversation*>(user);
    if (talk->quitting)
        return 0;
    const QByteArray text = QByteArray(data, qsizetype(size)).trimmed();
    if (type == CURLINFO_HEADER_OUT && text.startsWith("QUIT")) {
        talk->quitting = true;
    } else if (type == CURLINFO_HEADER_OUT) {
        if (!talk->inAuth) {
            talk->lastCommand = withoutCredentials(text);
            qCDebug(lcSmtp).noquote() << "C:" << QString::fromUtf8(talk->lastCommand);
        }
        talk->inAuth = talk->inAuth || text.startsWith("AUTH");
        talk->lastReply.clear();
        talk->replyPending = true;
    } else if (type == CURLINFO_DATA_OUT) {
        talk->bodySent = true;
        talk->replyPending = true;
    } else if (type == CURLINFO_HEADER_IN) {
        qCDebug(lcSmtp).noquote() << "S:" << QString::fromUtf8(text);
        talk->lastReply = text.split('\n').last().trimmed();
        talk->replies.append(text);
        talk->inAuth = talk->inAuth && talk->lastReply.startsWith("334");
        talk->greeted = true;
        talk->replyPending = false;
    }
    return 0;
}

int keepSocket(void* user, curl_socket_t socket, curlsocktype)
{
    static_cast<SmtpConversation*>(user)->socket = socket;
    return CURL_SOCKOPT_OK;
}

QString hostPort(const SmtpEndpoint& endpoint)
{
    const QString host = endpoint.host.contains(u':') ? u'[' + endpoint.host + u']' : endpoint.host;
    return host + u':' + QString::number(endpoint.port);
}

Error transportError(CURLcode code, const SmtpConversation& talk, const char* curlText, CURL* curl,
                     const SmtpEndpoint& endpoint, const QString& to)
{
    const QString server = hostPort(endpoint);
    const QString reply = QString::fromUtf8(talk.lastReply);
    const QString why = QString::fromUtf8(curlText);
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return Error{ErrorKind::ConnectFailed,
                     QStringLiteral("SMTPサーバー「%1」の名前が見つかりません: %2").arg(endpoint.host, why)};
    case CURLE_COULDNT_CONNECT:
        return Error{ErrorKind::ConnectFailed,
                     QStringLiteral("SMTPサーバー「%1」に接続できません（接続を拒否されたか届きません）: %2").arg(server, why)};
    case CURLE_USE_SSL_FAILED:
        return Error{ErrorKind::ConnectFailed,
                     QStringLiteral("SMTPサーバー「%1」は STARTTLS に応じません。暗号化なしでは送りません: %2").arg(server, reply)};
    case CURLE_PEER_FAILED_VERIFICATION:
        return Error{ErrorKind::ConnectFailed,
                     QStringLiteral("SMTPサーバー「%1」の証明書を信頼できません: %2").arg(server, why)};
    case CURLE_SSL_CONNECT_ERROR:
        return Error{ErrorKind::ConnectFailed,
                     QStringLiteral("SMTPサーバー「%1」と暗号化接続できません: %2").arg(server, why)};
    case CURLE_LOGIN_DENIED:
        return Error{ErrorKind::SenderRefused,
                     QStringLiteral("SMTPサーバー「%1」にログインできません（ユーザー名かパスワードが違います）: %2").arg(server, reply)};
    default:
        break;
    }
    if (couldNotConnect(code, talk, curl))
        return Error{ErrorKind::ConnectFailed, QStringLiteral("SMTPサーバー「%1」に接続できません: %2").arg(server, why)};
    if (!talk.greeted)
        return Error{ErrorKind::ConnectFailed,
                     QStringLiteral("SMTPサーバー「%1」が応答しません: %2").arg(server, why)};
    // Only a message that went out whole may have been accepted; a send that failed did not go.
    if (talk.replyPending && talk.bodyEnded && code != CURLE_SEND_ERROR)
        return Error{ErrorKind::Uncertain,
                     QStringLiteral("本文の送信後にサーバーの応答が途絶えました（届いた可能性があります）: %1").arg(why)};
    if (talk.replyPending && talk.bodySent)
        return Error{ErrorKind::ConnectionLost,
                     QStringLiteral("本文の送信中にSMTPサーバー「%1」との接続が切れました（届いていません）: %2").arg(server, why)};
    if (talk.replyPending)
        return Error{ErrorKind::ConnectionLost, QStringLiteral("「%1」の後にSMTPサーバー「%2」との接続が切れました: %3")
                                                    .arg(QString::fromUtf8(talk.lastCommand.left(4)), server, why)};
    if (talk.lastCommand.startsWith("AUTH"))
        return Error{ErrorKind::SenderRefused, QStringLiteral("SMTPサーバー「%1」にログインできません: %2").arg(server, reply)};
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
    case ErrorKind::ConnectionLost:
        return Error{kind, QStringLiteral("SMTPサーバー「%1」が接続を断りました: %2").arg(server, reply)};
    default:
        return Error{kind, QStringLiteral("送信に失敗しました: %1").arg(reply)};
    }
}
