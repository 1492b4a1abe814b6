// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "delivery/mail_state.h"
#include "delivery/mailbox_event.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

// What makes a step mail the same mail: list (named relative to the program
// folder when it lies inside it), record, address, step and due day.
struct MailKey {
    QString list;
    int record = 0;
    QString address;
    int step = 0; // 0 the repeat mail, 1..7 the steps
    QDate due;
    bool operator==(const MailKey&) const = default;
};
size_t qHash(const MailKey& key, size_t seed = 0);

// One row of the send record: a mail and what became of it.
struct StoredMail {
    qint64 id = 0;
    MailKey key;
    QString name;
    MailKind kind = MailKind::Step;
    bool test = false;
    MailState state = MailState::Due;
    int tries = 0;
    QDateTime firstTry;
    QDateTime lastTry;
    QDateTime nextTry; // deferred: when it may go again
    QString reply;
    QString log;
    bool late = false;
    bool resent = false;
};

// The program folder's send record (send-record.sqlite): one row per mail with
// its state and the history of its attempts, each change one transaction on
// the disk before it returns. Open one per thread; several may be open at once.
class SendStore {
public:
    // Opens the record, creating it; a send-journal.txt beside it is read in
    // once and renamed send-journal.txt.imported.
    static Result<std::unique_ptr<SendStore>> open(const QString& programRoot);
    ~SendStore();
    SendStore(const SendStore&) = delete;
    SendStore& operator=(const SendStore&) = delete;

    static QString fileName();
    // The list as the record names it: relative to the program folder when inside it.
    QString listName(const QString& listPath) const;

    Result<std::optional<StoredMail>> stepMail(const MailKey& key) const;
    // Marks a step mail as sending: a new row, or one of the states in
    // mayRestart tried again. Nothing when the record has it in another state.
    Result<std::optional<qint64>> beginStep(const MailKey& key, const QString& name, bool late,
                                            const QList<MailState>& mayRestart, const QDateTime& now);
    // The operator's own mails (target, scramble, test) are a new row each.
    Result<qint64> beginOperatorMail(MailKind kind, bool test, const QString& list, int record,
                                     const QString& name, const QString& address, const QDateTime& now);
    Result<void> finish(qint64 id, MailState state, const QString& reply, const QString& log,
                        const QDateTime& now, const QDateTime& nextTry = {});
    // New step mail rows in the states they hold (expired, say), in one transaction.
    Result<void> recordMails(const QList<StoredMail>& mails, const QDateTime& now);
    // Mails left sending by a run that never finished: their outcome is unknown.
    Result<void> settleInterrupted(const QDateTime& now);
    // Deferred mails first tried before cutoff: given up now; returns them.
    Result<QList<StoredMail>> giveUpDeferred(const QString& list, const QDateTime& cutoff, const QDateTime& now);

    // The recorded state of each of these step mails (one list's), nothing where there is no row.
    Result<QList<std::optional<MailState>>> stepStates(const QList<MailKey>& keys) const;
    Result<QList<StoredMail>> deferredBy(const QString& list, const QDateTime& now) const;
    Result<QList<StoredMail>> uncertain(const QString& list) const;
    Result<QList<StoredMail>> historyOf(const QString& list, int record) const;
    // Steps dated before this day are settled: sent, refused or reported expired.
    Result<QDate> checkedBefore(const QString& list) const;
    Result<void> setCheckedBefore(const QString& list, const QDate& day);
    // Reports written by runs without the window up to this time have been shown in it.
    Result<QDateTime> reportsShownUntil() const;
    Result<void> setReportsShownUntil(const QDateTime& time);

    // Mailbox reading: where the last check of a mailbox stopped.
    Result<MailboxMark> mailboxMark(const QString& mailbox) const;
    Result<void> setMailboxMark(const QString& mailbox, const MailboxMark& mark);
    // The day of the first mail the record holds; today's when it holds none.
    Result<QDate> firstMailDay(const QDate& today) const;
    // Whether that message already gave that guest an event: a second reading changes nothing.
    Result<bool> knowsMailboxEvent(const MailboxEvent& event) const;
    Result<void> recordMailboxEvent(const MailboxEvent& event);
    Result<QList<MailboxEvent>> mailboxEventsOf(const QString& list, int record) const;
    // The listed ones the operator has not decided on, oldest first.
    Result<QList<MailboxEvent>> listedMailboxEvents() const;
    Result<void> decideMailboxEvent(qint64 id, MailboxOutcome outcome, const QDateTime& now);

private:
    Result<QVariant> metaValue(const QString& key) const;
    Result<void> setMetaValue(const QString& key, const QVariant& value);
    SendStore(QString root, QString path, QString connection);
    Result<void> createTables();
    Result<void> importJournal();

    QString root_;
    QString path_;
    QString connection_;
};

// When a deferred mail may go again: after about 5, 15 and 30 minutes, then
// hourly; nothing once it was first tried retryDays ago (it is given up).
std::optional<QDateTime> nextTryAfter(int tries, const QDateTime& firstTry, const QDateTime& now, int retryDays);
