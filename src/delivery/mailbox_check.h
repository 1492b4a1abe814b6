// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "delivery/mailbox_event.h"
#include "smtp/imap_reader.h"
#include "smtp/received_mail.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// A guest of one of the program folder's lists, as the mailbox check matches it.
struct MailboxGuest {
    QString listPath;
    QString listFile; // the name its opt-out tokens were made with
    int record = 0;
    QString address;  // lower case
    QString name;
    bool delivering = false;
};

// The guests of every *.lst in the program folder.
Result<QList<MailboxGuest>> mailboxGuests(const QString& programRoot);

// What one received mail means for the guests, before anything is applied:
// a failed 5.1.x report or a valid token stops the guest; another 5.x.x
// failure or a request to stop without a token is listed; delayed reports,
// 4.x.x, auto-replies and the rest concern nobody. Guests already stopped are
// left out. Each event's list holds the list file's path; mailbox, uid and
// time are the caller's to fill in.
QList<MailboxEvent> judgeMail(const ReceivedMail& mail, const QList<MailboxGuest>& guests, const QByteArray& optOutKey);

struct MailboxCheck {
    QList<MailboxEvent> stopped; // applied by this check
    QList<MailboxEvent> listed;  // new candidates for the operator
    int read = 0;                // messages read
    int unreadable = 0;          // messages passed over: the server did not give them whole
};

// What a check did, in one line for the operator.
QString mailboxSummary(const MailboxCheck& check);

// Reads the messages of the mailbox not read before (all of them again when
// its UIDVALIDITY changed), stops guests through the record writer, and keeps
// every change and the place it reached in the send record. The mailbox is never changed.
Result<MailboxCheck> checkMailbox(const QString& programRoot, const ImapLogin& login, const QDateTime& now,
                                  ImapReader& reader);

// The candidates that wait for the operator, the daily run's included.
Result<QList<MailboxEvent>> listedCandidates(const QString& programRoot);
// The operator's 「停止にする」 (StoppedByOperator: the guest stopped through the record
// writer) or 「無視」 (Ignored) for a listed one, kept in the send record.
Result<void> decideListed(const QString& programRoot, const MailboxEvent& event, MailboxOutcome outcome,
                          const QDateTime& now);
