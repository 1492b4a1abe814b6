// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "smtp/smtp_settings.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>

// One mail as handed to the transport; the transport adds the date line to the body.
struct OutgoingMail {
    QString server;  // "host" (port 25) or "host:port"
    QString from;
    QString to;
    QString subject;
    QString body;
    QDateTime sentAt;  // the transport takes the current time when this is not set
    SmtpSettings connection; // port, security, login, extra CA; from_name for the From line
    QStringList headers;     // further header lines, printable ASCII ("List-Unsubscribe: <...>")
};

class MailTransport {
public:
    virtual ~MailTransport() = default;
    // ConnectFailed, RecipientRefused, InvalidInput (nothing sent) or Transfer.
    virtual Result<void> send(const OutgoingMail& mail) = 0;
    // A run's last mail went: the connection kept for the next one is closed.
    virtual void endSession() {}
    // Connects, greets, starts TLS and logs in as a send would, then quits: the
    // server's replies, one a line; on failure why, as exactly as known. Uses no
    // connection of a run, so it may go beside one.
    virtual Result<QString> testConnection(const QString& server, const SmtpSettings& connection) = 0;
};

class SmtpSession;

// SMTP through libcurl, bounded by a connect timeout and a whole-transfer timeout.
// The mails of a run go over one connection, with one TLS handshake and one
// login, until the server ends it (421, a cut line) or max_per_connection mails
// went; then the next mail opens a new one.
class CurlMailTransport : public MailTransport {
public:
    explicit CurlMailTransport(std::chrono::milliseconds connectTimeout = std::chrono::seconds(30),
                               std::chrono::milliseconds transferTimeout = std::chrono::seconds(120));
    ~CurlMailTransport() override;
    Result<void> send(const OutgoingMail& mail) override;
    void endSession() override;
    Result<QString> testConnection(const QString& server, const SmtpSettings& connection) override;

private:
    std::chrono::milliseconds connectTimeout_;
    std::chrono::milliseconds transferTimeout_;
    std::unique_ptr<SmtpSession> session_; // the connection the next mail may use
};
