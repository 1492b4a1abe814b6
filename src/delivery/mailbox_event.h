// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

// Why a mail in the mailbox concerns a guest.
enum class MailboxReason {
    AddressUnknown, // a delivery report: failed, 5.1.x
    OtherFailure,   // a delivery report: failed with another 5.x.x
    OptOut,         // a reply carrying the guest's own opt-out token
    OptOutRequest,  // a reply that asks to stop, without a token
};
// What became of it: stopped at once, or listed until the operator decides.
enum class MailboxOutcome { Stopped, Listed, StoppedByOperator, Ignored };

QString mailboxReasonWord(MailboxReason reason);
QString mailboxOutcomeWord(MailboxOutcome outcome);

// One guest's change, or candidate, from one message of the mailbox.
struct MailboxEvent {
    qint64 id = 0;
    QString mailbox; // user@host:port/folder
    qint64 uidValidity = 0;
    qint64 uid = 0;
    QString message; // its Message-ID, else UIDVALIDITY:UID: what makes a second reading the same
    QString list;    // as the send record names it; empty when no guest has the address
    int record = 0;
    QString address;
    QString name;
    MailboxReason reason = MailboxReason::OptOutRequest;
    QString status;  // the delivery report's status code
    QDateTime messageDate;
    QString sender;
    QString subject;
    MailboxOutcome outcome = MailboxOutcome::Listed;
    QDateTime time;  // when it was decided
};

// Where reading stopped: the folder's UIDVALIDITY and the last UID read.
struct MailboxMark {
    qint64 uidValidity = 0;
    qint64 lastUid = 0;
};
