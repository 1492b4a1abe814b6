// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/send_store.h"

#include "delivery/store_sql.h"

#include <algorithm>

using namespace store_sql;

namespace {

const QString kEventColumns = QStringLiteral("id, mailbox, uid_validity, uid, message, list, record, address, name, reason, status, "
                                             "message_date, sender, subject, outcome, time");

MailboxEvent eventOf(const QSqlQuery& q)
{
    MailboxEvent e;
    e.id = q.value(0).toLongLong();
    e.mailbox = q.value(1).toString();
    e.uidValidity = q.value(2).toLongLong();
    e.uid = q.value(3).toLongLong();
    e.message = q.value(4).toString();
    e.list = q.value(5).toString();
    e.record = q.value(6).toInt();
    e.address = q.value(7).toString();
    e.name = q.value(8).toString();
    e.reason = MailboxReason(q.value(9).toInt());
    e.status = q.value(10).toString();
    e.messageDate = timeOf(q.value(11));
    e.sender = q.value(12).toString();
    e.subject = q.value(13).toString();
    e.outcome = MailboxOutcome(q.value(14).toInt());
    e.time = timeOf(q.value(15));
    return e;
}

Result<QList<MailboxEvent>> events(StoreQuery& q, const QString& where, const QVariantList& values)
{
    if (auto done = q.exec(QStringLiteral("SELECT %1 FROM mailbox_event WHERE %2").arg(kEventColumns, where), values); !done)
        return std::unexpected(done.error());
    QList<MailboxEvent> found;
    while (q.q().next())
        found.append(eventOf(q.q()));
    return found;
}

} // namespace

Result<MailboxMark> SendStore::mailboxMark(const QString& mailbox) const
{
    const auto value = metaValue(QStringLiteral("mailbox\t") + mailbox);
    if (!value)
        return std::unexpected(value.error());
    const QStringList parts = value->toString().split(u' ');
    if (parts.size() != 2)
        return MailboxMark{};
    return MailboxMark{parts[0].toLongLong(), parts[1].toLongLong()};
}

Result<void> SendStore::setMailboxMark(const QString& mailbox, const MailboxMark& mark)
{
    return setMetaValue(QStringLiteral("mailbox\t") + mailbox,
                        QStringLiteral("%1 %2").arg(mark.uidValidity).arg(mark.lastUid));
}

Result<bool> SendStore::knowsMailboxEvent(const MailboxEvent& e) const
{
    StoreQuery q(connection_, path_);
    if (auto done = q.exec(QStringLiteral("SELECT 1 FROM mailbox_event WHERE mailbox = ? AND message = ? AND list = ? "
                                          "AND record = ? AND address = ?"),
                           {e.mailbox, e.message, e.list, e.record, e.address});
        !done)
        return std::unexpected(done.error());
    return q.q().next();
}

Result<void> SendStore::recordMailboxEvent(const MailboxEvent& e)
{
    StoreQuery q(connection_, path_);
    return q.exec(QStringLiteral("INSERT OR IGNORE INTO mailbox_event (mailbox, uid_validity, uid, message, list, record, "
                                 "address, name, reason, status, message_date, sender, subject, outcome, time) "
                                 "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                  {e.mailbox, e.uidValidity, e.uid, e.message, e.list, e.record, e.address, e.name, int(e.reason),
                   e.status, timeText(e.messageDate), e.sender, e.subject, int(e.outcome), timeText(e.time)});
}

Result<QList<MailboxEvent>> SendStore::mailboxEventsOf(const QString& list, int record) const
{
    StoreQuery q(connection_, path_);
    return events(q, QStringLiteral("list = ? AND record = ? ORDER BY time, id"), {list, record});
}

Result<QList<MailboxEvent>> SendStore::listedMailboxEvents() const
{
    StoreQuery q(connection_, path_);
    return events(q, QStringLiteral("outcome = ? ORDER BY message_date, id"), {int(MailboxOutcome::Listed)});
}

Result<void> SendStore::decideMailboxEvent(qint64 id, MailboxOutcome outcome, const QDateTime& now)
{
    StoreQuery q(connection_, path_);
    return q.exec(QStringLiteral("UPDATE mailbox_event SET outcome = ?, time = ? WHERE id = ?"),
                  {int(outcome), timeText(now), id});
}

Result<QDate> SendStore::firstMailDay(const QDate& today) const
{
    StoreQuery q(connection_, path_);
    if (auto done = q.exec(QStringLiteral("SELECT MIN(first_try) FROM mail WHERE first_try IS NOT NULL")); !done)
        return std::unexpected(done.error());
    const QDateTime first = q.q().next() ? timeOf(q.q().value(0)) : QDateTime();
    return first.isValid() ? std::min(first.date(), today) : today;
}
