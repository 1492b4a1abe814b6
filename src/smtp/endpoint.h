// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "smtp/smtp_settings.h"

#include <QString>

// "host" or "host:port" split into its parts; InvalidInput when malformed.
struct SmtpEndpoint {
    QString host;
    int port = 25;
};
Result<SmtpEndpoint> parseSmtpServer(const QString& server);
// The endpoint of config.ini's server with smtp.ini's port, when it names one.
Result<SmtpEndpoint> smtpEndpoint(const QString& server, const SmtpSettings& connection);

// This machine by name or loopback address ("127.evil.example" is not): where a
// password may go without encryption.
bool isLoopbackHost(const QString& host);
// libcurl's global set-up, once per process whichever mail client starts first.
void initCurl();
