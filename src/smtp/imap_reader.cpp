// SPDX-License-Identifier: GPL-3.0-or-later
#include "smtp/imap_reader.h"

#include "smtp/endpoint.h"

#include "smtp/smtp_log.h"

#include <QRegularExpression>

#include <curl/curl.h>

#include <algorithm>
#include <array>


namespace {

size_t keepReply(char* data, size_t size, size_t count, void* user)
{
    static_cast<QByteArray*>(user)->append(data, qsizetype(size * count));
    return size * count;
}

QString hostPort(const ImapLogin& login)
{
    const QString host = login.host.contains(u':') ? u'[' + login.host + u']' : login.host;
    return host + u':' + QString::number(login.port);
}

// The server's last tagged reply ("A004 NO [...] text"), for the operator.
QString lastTagged(const QByteArray& response)
{
    const QList<QByteArray> lines = response.trimmed().split('\n');
    return lines.isEmpty() ? QString() : QString::fromUtf8(lines.last().trimmed());
}

} // namespace

struct ImapSession {
    ImapSession() : curl(curl_easy_init()) {}
    ~ImapSession() { curl_easy_cleanup(curl); }
    ImapSession(const ImapSession&) = delete;
    ImapSession& operator=(const ImapSession&) = delete;

    CURL* curl;
    QString server;
    QByteArray url, user, secret, request, reply;
    char errorText[CURL_ERROR_SIZE] = {};
};

ImapReader::ImapReader(std::chrono::milliseconds connectTimeout, std::chrono::milliseconds commandTimeout)
    : connectTimeout_(connectTimeout), commandTimeout_(commandTimeout)
{
}

ImapReader::~ImapReader() = default;

Result<qint64> ImapReader::open(const ImapLogin& login)
{
    initCurl();
    if (login.security == ImapSecurity::None && !isLoopbackHost(login.host))
        return fail(ErrorKind::InvalidInput, QStringLiteral("暗号化しない受信箱への接続は、このコンピューターのサーバーにだけ使えます"
                                                            "（パスワードが読まれるため）。security を tls か starttls にしてください。"));
    const QByteArray folder = imapQuoted(login.folder);
    if (folder.isEmpty())
        return fail(ErrorKind::InvalidInput, QStringLiteral("フォルダ名「%1」は使えません（半角の英数字と記号のみ）。").arg(login.folder));
    folder_ = folder;
    session_ = std::make_unique<ImapSession>();
    ImapSession& s = *session_;
    s.server = hostPort(login);
    s.url = (login.security == ImapSecurity::Tls ? "imaps://" : "imap://") + s.server.toUtf8() + '/';
    s.user = login.user.toUtf8();
    s.secret = (login.accessToken.isEmpty() ? login.password : login.accessToken).toUtf8();
    CURL* c = s.curl;
    curl_easy_setopt(c, CURLOPT_URL, s.url.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "imap,imaps");
    if (login.security == ImapSecurity::StartTls)
        curl_easy_setopt(c, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    curl_easy_setopt(c, CURLOPT_USERNAME, s.user.constData());
    if (login.accessToken.isEmpty()) {
        curl_easy_setopt(c, CURLOPT_PASSWORD, s.secret.constData());
    } else {
        curl_easy_setopt(c, CURLOPT_XOAUTH2_BEARER, s.secret.constData());
        curl_easy_setopt(c, CURLOPT_LOGIN_OPTIONS, "AUTH=XOAUTH2");
    }
    // Every line the server sends, literals included, comes through here.
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, keepReply);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &s.reply);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, +[](char*, size_t size, size_t count, void*) { return size * count; });
    // A line longer than half the buffer would be cut short, and the message with it.
    curl_easy_setopt(c, CURLOPT_BUFFERSIZE, 1024L * 1024L);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, s.errorText);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, long(connectTimeout_.count()));
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, long(commandTimeout_.count()));
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    // One connection kept: a fresh one drops the old, with whatever it still holds.
    curl_easy_setopt(c, CURLOPT_MAXCONNECTS, 1L);
    auto examined = command("EXAMINE " + folder);
    if (!examined)
        return std::unexpected(examined.error());
    const qint64 validity = uidValidityOf(*examined);
    if (validity <= 0)
        return fail(ErrorKind::Format, QStringLiteral("受信箱のサーバー「%1」が UIDVALIDITY を返しません。").arg(s.server));
    return validity;
}

Result<QByteArray> ImapReader::command(const QByteArray& text)
{
    ImapSession& s = *session_;
    s.reply.clear();
    s.request = text;
    s.errorText[0] = '\0';
    qCDebug(lcSmtp).noquote() << "IMAP C:" << QString::fromUtf8(text);
    curl_easy_setopt(s.curl, CURLOPT_CUSTOMREQUEST, s.request.constData());
    const CURLcode code = curl_easy_perform(s.curl);
    long connects = 0;
    curl_easy_getinfo(s.curl, CURLINFO_NUM_CONNECTS, &connects);
    const QString why = QString::fromUtf8(s.errorText[0] ? s.errorText : curl_easy_strerror(code));
    const QString& server = s.server;
    switch (code) {
    case CURLE_OK:
        break;
    case CURLE_COULDNT_RESOLVE_HOST:
        return fail(ErrorKind::ConnectFailed, QStringLiteral("受信箱のサーバー「%1」の名前が見つかりません: %2").arg(server, why));
    case CURLE_COULDNT_CONNECT:
        return fail(ErrorKind::ConnectFailed,
                    QStringLiteral("受信箱のサーバー「%1」に接続できません（接続を拒否されたか届きません）: %2").arg(server, why));
    case CURLE_OPERATION_TIMEDOUT:
        return fail(ErrorKind::ConnectFailed, QStringLiteral("受信箱のサーバー「%1」が時間内に応答しません: %2").arg(server, why));
    case CURLE_USE_SSL_FAILED:
        return fail(ErrorKind::ConnectFailed,
                    QStringLiteral("受信箱のサーバー「%1」は STARTTLS に応じません。暗号化なしでは接続しません。").arg(server));
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
        return fail(ErrorKind::ConnectFailed, QStringLiteral("受信箱のサーバー「%1」と暗号化接続できません: %2").arg(server, why));
    case CURLE_LOGIN_DENIED:
        return fail(ErrorKind::SenderRefused,
                    QStringLiteral("受信箱のサーバー「%1」にログインできません（ユーザー名かパスワードが違います）: %2")
                        .arg(server, lastTagged(s.reply)));
    case CURLE_QUOTE_ERROR:
        return fail(text.startsWith("EXAMINE") ? ErrorKind::NotFound : ErrorKind::Transfer,
                    QStringLiteral("受信箱のサーバー「%1」が「%2」を断りました: %3")
                        .arg(server, QString::fromUtf8(text), lastTagged(s.reply)));
    default:
        return fail(ErrorKind::ConnectionLost, QStringLiteral("受信箱のサーバー「%1」との接続が切れました: %2").arg(server, why));
    }
    // EXAMINE holds for its connection only: a new one would read an unopened folder.
    if (connects > 0 && !text.startsWith("EXAMINE"))
        return fail(ErrorKind::ConnectionLost, QStringLiteral("受信箱のサーバー「%1」との接続が途中で切れました。").arg(server));
    return s.reply;
}

Result<QList<qint64>> ImapReader::uidsAfter(qint64 after)
{
    auto found = command("UID SEARCH UID " + QByteArray::number(after + 1) + ":*");
    if (!found)
        return std::unexpected(found.error());
    QList<qint64> uids = searchedUids(*found);
    // "n:*" names the last message even when its UID is below n.
    uids.removeIf([after](qint64 uid) { return uid <= after; });
    std::sort(uids.begin(), uids.end());
    return uids;
}

Result<QList<qint64>> ImapReader::uidsSince(const QDate& day)
{
    // IMAP's date is English whatever the locale: 9-Feb-2005.
    static const std::array<const char*, 12> months{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QByteArray date = QByteArray::number(day.day()) + '-' + months.at(size_t(day.month() - 1)) + '-'
                            + QByteArray::number(day.year());
    auto found = command("UID SEARCH SINCE " + date);
    if (!found)
        return std::unexpected(found.error());
    QList<qint64> uids = searchedUids(*found);
    std::sort(uids.begin(), uids.end());
    return uids;
}

Result<QByteArray> ImapReader::fetch(qint64 uid)
{
    auto body = fetchOnce(uid);
    if (body || body.error().kind != ErrorKind::Format)
        return body;
    // libcurl ends a reply at a line that starts with its tag, even inside the
    // message, and leaves the rest on the line: a new connection has another tag.
    if (auto fresh = reconnect(); !fresh)
        return std::unexpected(fresh.error());
    return fetchOnce(uid);
}

Result<void> ImapReader::reconnect()
{
    curl_easy_setopt(session_->curl, CURLOPT_FRESH_CONNECT, 1L);
    auto examined = command("EXAMINE " + folder_);
    curl_easy_setopt(session_->curl, CURLOPT_FRESH_CONNECT, 0L);
    if (!examined)
        return std::unexpected(examined.error());
    return {};
}

Result<QByteArray> ImapReader::fetchOnce(qint64 uid)
{
    auto fetched = command("UID FETCH " + QByteArray::number(uid) + " BODY.PEEK[]<0." + QByteArray::number(kFetchLimit) + '>');
    if (!fetched)
        return std::unexpected(fetched.error());
    return fetchedBody(*fetched);
}

QByteArray imapQuoted(const QString& name)
{
    if (name.isEmpty())
        return {};
    QByteArray quoted = "\"";
    for (QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return {};
        if (c == u'"' || c == u'\\')
            quoted += '\\';
        quoted += char(c.unicode());
    }
    return quoted + '"';
}

Result<QByteArray> fetchedBody(const QByteArray& response)
{
    static const QRegularExpression literal(QStringLiteral("^\\* \\d+ FETCH \\(.*BODY\\[\\](?:<0>)? \\{(\\d+)\\}\\r?\\n"),
                                            QRegularExpression::MultilineOption);
    const QString text = QString::fromLatin1(response);
    const QRegularExpressionMatch found = literal.match(text);
    if (!found.hasMatch())
        return fail(ErrorKind::Format, QStringLiteral("受信箱のサーバーがメールを返しません: %1").arg(lastTagged(response)));
    const qsizetype size = found.captured(1).toLongLong();
    const qsizetype start = found.capturedEnd(0);
    if (start + size > response.size())
        return fail(ErrorKind::Format, QStringLiteral("受信箱のサーバーから届いたメールが途中で切れています。"));
    return response.mid(start, size);
}

qint64 uidValidityOf(const QByteArray& response)
{
    static const QRegularExpression validity(QStringLiteral("^\\* OK \\[UIDVALIDITY (\\d+)\\]"),
                                             QRegularExpression::MultilineOption);
    return validity.match(QString::fromLatin1(response)).captured(1).toLongLong();
}

QList<qint64> searchedUids(const QByteArray& response)
{
    QList<qint64> uids;
    for (const QByteArray& line : response.split('\n')) {
        if (!line.startsWith("* SEARCH"))
            continue;
        for (const QByteArray& word : line.mid(8).simplified().split(' '))
            if (const qint64 uid = word.toLongLong(); uid > 0)
                uids.append(uid);
    }
    return uids;
}
