// SPDX-License-Identifier: GPL-3.0-or-later
#include "smtp/endpoint.h"

#include <QHostAddress>

#include <curl/curl.h>

#include <algorithm>
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

Result<SmtpEndpoint> smtpEndpoint(const QString& server, const SmtpSettings& connection)
{
    auto endpoint = parseSmtpServer(server);
    if (endpoint && connection.port)
        endpoint->port = *connection.port;
    return endpoint;
}

bool isLoopbackHost(const QString& host)
{
    const QString bare = host.startsWith(u'[') && host.endsWith(u']') ? host.mid(1, host.size() - 2) : host;
    return bare.compare(u"localhost", Qt::CaseInsensitive) == 0 || QHostAddress(bare).isLoopback();
}

void initCurl()
{
    static std::once_flag curlReady;
    std::call_once(curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}
