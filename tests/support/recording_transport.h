// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "smtp/mail_transport.h"

#include <QList>
#include <QMutex>

#include <functional>

// Records every mail; answers from a queue of scripted results (success when
// empty). The send worker calls it from its own thread: read what it recorded
// once the run has finished.
class RecordingTransport : public MailTransport {
public:
    Result<void> send(const OutgoingMail& mail) override;
    Result<QString> testConnection(const QString& server, const SmtpSettings& connection) override;

    QList<OutgoingMail> sent;     // every mail handed over, failed ones included
    QList<Result<void>> results;  // taken in order
    // Called on the worker thread before each mail is recorded.
    std::function<void(const OutgoingMail&)> onSend;
    QStringList testedServers; // each connection test's server, as it was asked for

private:
    QMutex mutex_;
};
