// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "smtp/imap_reader.h"
#include "smtp/smtp_settings.h"

#include <QString>

#include <optional>

// The mailbox that receives bounces and opt-outs: sender.ini, section [imap].
struct MailboxSettings {
    QString server;   // host:port; empty: no mailbox is read
    ImapSecurity security = ImapSecurity::Tls;
    QString user;
    QString password; // in the file (0600); empty: the secret store, account "imap:<user>"
    bool oauth = false; // auth=oauth2: the sign-in of the SMTP settings (XOAUTH2)
    QString folder = QStringLiteral("INBOX");
    bool configured() const { return !server.isEmpty(); }
};

// A missing file or section gives one that is not configured; Format for a bad value,
// Io when the file holds a password others may read.
Result<MailboxSettings> readMailboxSettings(const QString& programDir);
// The [imap] lines as sender.ini keeps them; empty when not configured.
QString mailboxSection(const MailboxSettings& settings);

// How a run without the window logs in: the password from the file or the
// secret store, or a fresh OAuth 2.0 access token for smtp.ini's sign-in (the
// provider's renewed refresh token, when it sends one, to keep).
struct MailboxLogin {
    ImapLogin login;
    QString renewedRefreshToken;
};
// smtpLogin: smtp.ini with its secret, when the caller read it already (the window
// must: the secret store answers on its thread only).
Result<MailboxLogin> mailboxLogin(const QString& programDir, const MailboxSettings& settings,
                                  const std::optional<SmtpSettings>& smtpLogin = std::nullopt);
