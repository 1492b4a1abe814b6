// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "smtp/mail_transport.h"

#include <QByteArray>
#include <QString>

// Exactly one "@" with text on both sides; printable ASCII without blanks or angle brackets.
bool isPlainMailAddress(const QString& address);

// The body as sent: the text, CR LF, then sentAt as "yyyy/MM/dd H:mm:ss".
QString bodyWithDateLine(const QString& body, const QDateTime& sentAt);

// The whole message (RFC 5322 + MIME, UTF-8 base64 body, CR LF line ends).
// InvalidInput when from, to or subject carry a control character or an
// address is malformed, or sentAt is not set.
Result<QByteArray> buildMailMessage(const OutgoingMail& mail, const QString& messageId);

// What a guest would receive, for the operator to read: envelope, subject,
// the header lines as sent (Date and Message-ID are set again when it goes),
// and the body with its date line.
Result<QString> mailPreview(const OutgoingMail& mail);
