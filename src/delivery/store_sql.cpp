// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/store_sql.h"

#include "common/file_write.h"

#include <QSqlDatabase>
#include <QSqlError>

#include <cerrno>

namespace store_sql {

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss");
const QString kColumns = QStringLiteral("id, list, record, address, step, due, name, kind, state, tries, "
                                        "first_try, last_try, next_try, reply, log, late, resent");
constexpr int kTestKind = 3;
constexpr int kSqliteFull = 13;

StoredMail rowOf(const QSqlQuery& q)
{
    StoredMail m;
    m.id = q.value(0).toLongLong();
    m.key = {q.value(1).toString(), q.value(2).toInt(), q.value(3).toString(), q.value(4).toInt(),
             QDate::fromString(q.value(5).toString(), Qt::ISODate)};
    m.name = q.value(6).toString();
    const int kind = q.value(7).toInt();
    m.test = kind == kTestKind;
    m.kind = m.test ? MailKind::Step : MailKind(kind);
    m.state = MailState(q.value(8).toInt());
    m.tries = q.value(9).toInt();
    m.firstTry = timeOf(q.value(10));
    m.lastTry = timeOf(q.value(11));
    m.nextTry = timeOf(q.value(12));
    m.reply = q.value(13).toString();
    m.log = q.value(14).toString();
    m.late = q.value(15).toBool();
    m.resent = q.value(16).toBool();
    return m;
}

} // namespace

Error storeError(const QString& path, const QSqlError& error)
{
    const QString reason = error.nativeErrorCode().toInt() == kSqliteFull ? writeFailureReason(ENOSPC) : error.text();
    return Error{ErrorKind::Io, QStringLiteral("送信記録「%1」を読み書きできません。\n%2").arg(path, reason)};
}

QVariant timeText(const QDateTime& time) { return time.isValid() ? QVariant(time.toString(kTimeFormat)) : QVariant(); }
QDateTime timeOf(const QVariant& value) { return QDateTime::fromString(value.toString(), kTimeFormat); }
QString dayText(const QDate& day) { return day.isValid() ? day.toString(Qt::ISODate) : QString(); }
int kindCode(MailKind kind, bool test) { return test ? kTestKind : int(kind); }

StoreQuery::StoreQuery(const QString& connection, const QString& path)
    : query_(QSqlDatabase::database(connection, false)), path_(path)
{
    query_.setForwardOnly(true); // read once, in order: nothing kept for going back
}

Result<void> StoreQuery::exec(const QString& sql, const QVariantList& values)
{
    if (!query_.prepare(sql))
        return std::unexpected(storeError(path_, query_.lastError()));
    for (const QVariant& value : values) {
        const bool nullText = value.typeId() == QMetaType::QString && value.toString().isNull();
        query_.addBindValue(nullText ? QVariant(QStringLiteral("")) : value);
    }
    if (!query_.exec())
        return std::unexpected(storeError(path_, query_.lastError()));
    return {};
}

Result<QList<StoredMail>> StoreQuery::mails(const QString& where, const QVariantList& values)
{
    if (auto done = exec(QStringLiteral("SELECT %1 FROM mail WHERE %2").arg(kColumns, where), values); !done)
        return std::unexpected(done.error());
    QList<StoredMail> found;
    while (query_.next())
        found.append(rowOf(query_));
    return found;
}

Result<void> transaction(const QString& connection, const QString& path,
                         const std::function<Result<void>(StoreQuery&)>& work)
{
    StoreQuery query(connection, path);
    if (auto begun = query.exec(QStringLiteral("BEGIN IMMEDIATE")); !begun)
        return begun;
    auto done = work(query);
    if (done)
        done = query.exec(QStringLiteral("COMMIT"));
    if (!done)
        StoreQuery(connection, path).exec(QStringLiteral("ROLLBACK"));
    return done;
}

Result<qint64> insertMail(StoreQuery& q, int kind, const MailKey& key, const QString& name, MailState state,
                          const QDateTime& time, bool late)
{
    const QVariant step = kind == int(MailKind::Step) ? QVariant(key.step) : QVariant();
    auto done = q.exec(QStringLiteral("INSERT INTO mail (list, record, address, step, due, name, kind, state, tries, "
                                      "first_try, last_try, late) VALUES (?, ?, ?, ?, ?, ?, ?, ?, 1, ?, ?, ?)"),
                       {key.list, key.record, key.address, step, dayText(key.due), name, kind, int(state),
                        timeText(time), timeText(time), late});
    if (!done)
        return std::unexpected(done.error());
    return q.q().lastInsertId().toLongLong();
}

Result<void> addAttempt(StoreQuery& q, qint64 id, const QDateTime& time, MailState state, const QString& reply)
{
    return q.exec(QStringLiteral("INSERT INTO attempt (mail, time, state, reply) VALUES (?, ?, ?, ?)"),
                  {id, timeText(time), int(state), reply});
}

const QString kStepKeyWhere = QStringLiteral("kind = 0 AND list = ? AND record = ? AND address = ? AND step = ? AND due = ?");

QVariantList stepKeyValues(const MailKey& key)
{
    return {key.list, key.record, key.address, key.step, dayText(key.due)};
}

} // namespace store_sql
