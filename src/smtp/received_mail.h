// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// What a mail in the mailbox is, as far as its MIME structure and headers tell.
enum class ReceivedKind {
    DeliveryReport, // RFC 3464: multipart/report; report-type=delivery-status
    AutoReply,      // RFC 3834 Auto-Submitted, X-Autoreply and the like, or a vacation subject
    Written,        // anything else: perhaps a person's reply
};

// One recipient's block of a delivery status report.
struct ReportedRecipient {
    QString address; // Final-Recipient without its "rfc822;", lower case
    QString action;  // failed, delayed, delivered, relayed, expanded (lower case)
    QString status;  // "5.1.1"
};

struct ReceivedMail {
    ReceivedKind kind = ReceivedKind::Written;
    QString messageId; // without its angle brackets; empty when the mail has none
    QString from;    // the first From address, lower case
    QString subject; // decoded
    QDateTime date;  // invalid when the mail has none
    QString text;    // the first text/plain part, decoded; empty for a report
    QList<ReportedRecipient> recipients; // of a delivery report
};

// Parses a whole message (RFC 5322 bytes) with GMime. A message GMime cannot
// read at all is a Written one with nothing in it.
ReceivedMail readReceivedMail(const QByteArray& raw);
