// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording_transport.h"

Result<void> RecordingTransport::send(const OutgoingMail& mail)
{
    if (onSend)
        onSend(mail);
    const QMutexLocker lock(&mutex_);
    sent.append(mail);
    if (results.isEmpty())
        return {};
    return results.takeFirst();
}

Result<QString> RecordingTransport::testConnection(const QString& server, const SmtpSettings&)
{
    const QMutexLocker lock(&mutex_);
    testedServers.append(server);
    return QStringLiteral("250 OK");
}
