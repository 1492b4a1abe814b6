// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/send_store.h"

#include "common/file_write.h"
#include "delivery/store_sql.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QUuid>

#include <algorithm>
#include <array>

#include <sqlite3.h>

using namespace store_sql;

size_t qHash(const MailKey& key, size_t seed)
{
    return qHashMulti(seed, key.list, key.record, key.address, key.step, key.due);
}

SendStore::SendStore(QString root, QString path, QString connection)
    : root_(std::move(root)), path_(std::move(path)), connection_(std::move(connection))
{
}

SendStore::~SendStore()
{
    QSqlDatabase::database(connection_, false).close();
    QSqlDatabase::removeDatabase(connection_);
}

QString SendStore::fileName() { return QStringLiteral("send-record.sqlite"); }

Result<std::unique_ptr<SendStore>> SendStore::open(const QString& programRoot)
{
    const QString path = QDir(programRoot).filePath(fileName());
    // Names and addresses of customers: readable by the operator alone, from its first byte.
    if (!QFileInfo::exists(path)) {
        if (auto made = writeWholeFile(path, {}, FileAccess::OwnerOnly); !made)
            return fail(ErrorKind::Io, QStringLiteral("送信記録「%1」を作れません。\n%2").arg(path, made.error().message));
    }
    const QString connection = QStringLiteral("send-store-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString root = QFileInfo(programRoot).canonicalFilePath();
    // Made before the handle, so a failed open closes the handle before the store drops the connection.
    std::unique_ptr<SendStore> store(new SendStore(root.isEmpty() ? programRoot : root, path, connection));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
    if (!db.open())
        return std::unexpected(storeError(path, db.lastError()));
    if (auto ready = store->createTables(); !ready)
        return std::unexpected(ready.error());
    if (auto imported = store->importJournal(); !imported)
        return std::unexpected(imported.error());
    return store;
}

Result<void> SendStore::createTables()
{
    StoreQuery q(connection_, path_);
    // A state change must survive a power cut: the mail may have gone.
    if (auto done = q.exec(QStringLiteral("PRAGMA synchronous=FULL")); !done)
        return done;
    if (auto done = q.exec(QStringLiteral("PRAGMA user_version")); !done || (q.q().next() && q.q().value(0).toInt() > 1))
        return done;
    for (const char* sql : {
             "PRAGMA journal_mode=WAL",
             "CREATE TABLE IF NOT EXISTS mail (id INTEGER PRIMARY KEY, list TEXT NOT NULL, record INTEGER NOT NULL, "
             "address TEXT NOT NULL, step INTEGER, due TEXT NOT NULL DEFAULT '', name TEXT NOT NULL DEFAULT '', "
             "kind INTEGER NOT NULL, state INTEGER NOT NULL, tries INTEGER NOT NULL DEFAULT 0, first_try TEXT, "
             "last_try TEXT, next_try TEXT, reply TEXT NOT NULL DEFAULT '', log TEXT NOT NULL DEFAULT '', "
             "late INTEGER NOT NULL DEFAULT 0, resent INTEGER NOT NULL DEFAULT 0)",
             // A second row, and so a second sending, of one step mail cannot be written. The
             // operator's mails have no step (NULL), so they never meet this index.
             "CREATE UNIQUE INDEX IF NOT EXISTS mail_step_key ON mail (list, record, address, step, due)",
             "CREATE INDEX IF NOT EXISTS mail_guest ON mail (list, record)",
             // Covers what a plan reads of the days it looks at.
             "CREATE INDEX IF NOT EXISTS mail_due ON mail (list, due, kind, record, step, address, state)",
             "CREATE INDEX IF NOT EXISTS mail_open ON mail (state, next_try)",
             "CREATE TABLE IF NOT EXISTS attempt (mail INTEGER NOT NULL, time TEXT NOT NULL, state INTEGER NOT NULL, "
             "reply TEXT NOT NULL DEFAULT '')",
             "CREATE INDEX IF NOT EXISTS attempt_mail ON attempt (mail)",
             "CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)",
             // A message read twice (a rescan, new UIDs) meets its first reading here and changes nothing.
             "CREATE TABLE IF NOT EXISTS mailbox_event (id INTEGER PRIMARY KEY, mailbox TEXT NOT NULL, "
             "uid_validity INTEGER NOT NULL, uid INTEGER NOT NULL, message TEXT NOT NULL, list TEXT NOT NULL, record INTEGER NOT NULL, "
             "address TEXT NOT NULL, name TEXT NOT NULL, reason INTEGER NOT NULL, status TEXT NOT NULL, "
             "message_date TEXT, sender TEXT NOT NULL, subject TEXT NOT NULL, outcome INTEGER NOT NULL, "
             "time TEXT NOT NULL, UNIQUE (mailbox, message, list, record, address))",
             "CREATE INDEX IF NOT EXISTS mailbox_event_guest ON mailbox_event (list, record)",
             "PRAGMA user_version=2"}) {
        if (auto done = q.exec(QString::fromLatin1(sql)); !done)
            return done;
    }
    return {};
}

QString SendStore::listName(const QString& listPath) const
{
    const QFileInfo info(listPath);
    const QString file = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    const QString relative = QDir(root_).relativeFilePath(file);
    if (relative.startsWith(u"..") || QDir::isAbsolutePath(relative))
        return file;
    return relative;
}

Result<std::optional<StoredMail>> SendStore::stepMail(const MailKey& key) const
{
    StoreQuery q(connection_, path_);
    auto rows = q.mails(kStepKeyWhere, stepKeyValues(key));
    if (!rows)
        return std::unexpected(rows.error());
    return rows->isEmpty() ? std::nullopt : std::optional(rows->first());
}

Result<std::optional<qint64>> SendStore::beginStep(const MailKey& key, const QString& name, bool late,
                                                  const QList<MailState>& mayRestart, const QDateTime& now)
{
    std::optional<qint64> begun;
    auto done = transaction(connection_, path_, [&](StoreQuery& q) -> Result<void> {
        auto rows = q.mails(kStepKeyWhere, stepKeyValues(key));
        if (!rows)
            return std::unexpected(rows.error());
        if (rows->isEmpty()) {
            auto made = insertMail(q, int(MailKind::Step), key, name, MailState::Sending, now, late);
            if (!made)
                return std::unexpected(made.error());
            begun = *made;
        } else if (mayRestart.contains(rows->first().state)) {
            const StoredMail& row = rows->first();
            const bool resend = row.state == MailState::Uncertain;
            auto updated = q.exec(QStringLiteral("UPDATE mail SET state = ?, tries = tries + 1, last_try = ?, "
                                                 "next_try = NULL, late = ?, resent = resent OR ? WHERE id = ?"),
                                  {int(MailState::Sending), timeText(now), late, resend, row.id});
            if (!updated)
                return updated;
            begun = row.id;
        } else {
            return {};
        }
        return addAttempt(q, *begun, now, MailState::Sending, {});
    });
    if (!done)
        return std::unexpected(done.error());
    return begun;
}

Result<qint64> SendStore::beginOperatorMail(MailKind kind, bool test, const QString& list, int record,
                                            const QString& name, const QString& address, const QDateTime& now)
{
    qint64 id = 0;
    auto done = transaction(connection_, path_, [&](StoreQuery& q) -> Result<void> {
        auto made = insertMail(q, kindCode(kind, test), {list, record, address, 0, {}}, name, MailState::Sending, now, false);
        if (!made)
            return std::unexpected(made.error());
        id = *made;
        return addAttempt(q, id, now, MailState::Sending, {});
    });
    if (!done)
        return std::unexpected(done.error());
    return id;
}

Result<void> SendStore::finish(qint64 id, MailState state, const QString& reply, const QString& log,
                               const QDateTime& now, const QDateTime& nextTry)
{
    // Lost in a power cut, this leaves the mail 送信中, which the next run settles
    // as uncertain: never sent twice. So it need not wait for the disk; the next
    // mail's beginning (synchronous again) takes it there.
    StoreQuery pragma(connection_, path_);
    if (auto relaxed = pragma.exec(QStringLiteral("PRAGMA synchronous=NORMAL")); !relaxed)
        return relaxed;
    auto finished = transaction(connection_, path_, [&](StoreQuery& q) -> Result<void> {
        auto done = q.exec(QStringLiteral("UPDATE mail SET state = ?, reply = ?, log = ?, next_try = ? WHERE id = ?"),
                           {int(state), reply, log, timeText(nextTry), id});
        if (!done)
            return done;
        return addAttempt(q, id, now, state, reply);
    });
    auto strict = pragma.exec(QStringLiteral("PRAGMA synchronous=FULL"));
    return finished ? strict : finished;
}

Result<void> SendStore::recordMails(const QList<StoredMail>& mails, const QDateTime& now)
{
    return transaction(connection_, path_, [&](StoreQuery& q) -> Result<void> {
        for (const StoredMail& mail : mails) {
            const QDateTime when = mail.lastTry.isValid() ? mail.lastTry : now;
            auto made = insertMail(q, int(MailKind::Step), mail.key, mail.name, mail.state, when, mail.late);
            if (!made)
                return std::unexpected(made.error());
            if (auto done = addAttempt(q, *made, when, mail.state, mail.reply); !done)
                return done;
        }
        return {};
    });
}

Result<void> SendStore::settleInterrupted(const QDateTime& now)
{
    return transaction(connection_, path_, [&](StoreQuery& q) -> Result<void> {
        auto rows = q.mails(QStringLiteral("state = ?"), {int(MailState::Sending)});
        if (!rows)
            return std::unexpected(rows.error());
        for (const StoredMail& row : std::as_const(*rows)) {
            const QString why = QStringLiteral("送信中にプログラムが終了しました");
            auto done = q.exec(QStringLiteral("UPDATE mail SET state = ?, reply = ? WHERE id = ?"),
                               {int(MailState::Uncertain), why, row.id});
            if (done)
                done = addAttempt(q, row.id, now, MailState::Uncertain, why);
            if (!done)
                return done;
        }
        return {};
    });
}

Result<QList<StoredMail>> SendStore::giveUpDeferred(const QString& list, const QDateTime& cutoff, const QDateTime& now)
{
    QList<StoredMail> given;
    auto done = transaction(connection_, path_, [&](StoreQuery& q) -> Result<void> {
        auto rows = q.mails(QStringLiteral("state = ? AND list = ? AND first_try < ?"),
                            {int(MailState::Deferred), list, timeText(cutoff)});
        if (!rows)
            return std::unexpected(rows.error());
        for (StoredMail row : std::as_const(*rows)) {
            auto changed = q.exec(QStringLiteral("UPDATE mail SET state = ?, next_try = NULL WHERE id = ?"),
                                  {int(MailState::GivenUp), row.id});
            if (changed)
                changed = addAttempt(q, row.id, now, MailState::GivenUp, row.reply);
            if (!changed)
                return changed;
            row.state = MailState::GivenUp;
            given.append(row);
        }
        return {};
    });
    if (!done)
        return std::unexpected(done.error());
    return given;
}

namespace {

// A step mail's key with the address as its UTF-8 bytes, so that a row's text
// can be looked up where SQLite holds it.
struct RowKey {
    int record;
    int step;
    qint64 day; // Julian day number
    QByteArray address;
    bool operator==(const RowKey&) const = default;
};
size_t qHash(const RowKey& key, size_t seed = 0) { return qHashMulti(seed, key.record, key.step, key.day, key.address); }

} // namespace

Result<QList<std::optional<MailState>>> SendStore::stepStates(const QList<MailKey>& keys) const
{
    QList<std::optional<MailState>> states(keys.size());
    if (keys.isEmpty())
        return states;
    QHash<RowKey, qsizetype> wanted;
    wanted.reserve(keys.size());
    QDate from = keys.first().due, to = from;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const MailKey& key = keys[i];
        wanted.insert({key.record, key.step, key.due.toJulianDay(), key.address.toUtf8()}, i);
        from = std::min(from, key.due);
        to = std::max(to, key.due);
    }
    // A week of a full list is tens of thousands of rows: read straight from the
    // covering index with SQLite's own calls, a plan would wait on Qt's per-value copies.
    const QVariant handle = QSqlDatabase::database(connection_, false).driver()->handle();
    sqlite3* db = handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0 ? *static_cast<sqlite3* const*>(handle.constData()) : nullptr;
    sqlite3_stmt* statement = nullptr;
    const char* sql = "SELECT record, step, CAST(julianday(due) + 0.5 AS INTEGER), address, state FROM mail "
                      "WHERE list = ? AND due BETWEEN ? AND ? AND kind = 0";
    if (!db || sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
        return fail(ErrorKind::Io, QStringLiteral("送信記録「%1」を読めません。").arg(path_));
    const QByteArray list = keys.first().list.toUtf8(), first = dayText(from).toUtf8(), last = dayText(to).toUtf8();
    sqlite3_bind_text(statement, 1, list.constData(), int(list.size()), SQLITE_STATIC);
    sqlite3_bind_text(statement, 2, first.constData(), int(first.size()), SQLITE_STATIC);
    sqlite3_bind_text(statement, 3, last.constData(), int(last.size()), SQLITE_STATIC);
    int code = SQLITE_ROW;
    while ((code = sqlite3_step(statement)) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 3));
        const RowKey key{sqlite3_column_int(statement, 0), sqlite3_column_int(statement, 1),
                         sqlite3_column_int64(statement, 2),
                         QByteArray::fromRawData(text, sqlite3_column_bytes(statement, 3))};
        if (const auto found = wanted.constFind(key); found != wanted.cend())
            states[*found] = MailState(sqlite3_column_int(statement, 4));
    }
    const QString why = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(statement);
    if (code != SQLITE_DONE)
        return fail(ErrorKind::Io, QStringLiteral("送信記録「%1」を読めません。\n%2").arg(path_, why));
    return states;
}

Result<QList<StoredMail>> SendStore::deferredBy(const QString& list, const QDateTime& now) const
{
    StoreQuery q(connection_, path_);
    return q.mails(QStringLiteral("state = ? AND next_try <= ? AND list = ? AND kind = 0 ORDER BY next_try, id"),
                   {int(MailState::Deferred), timeText(now), list});
}

Result<QList<StoredMail>> SendStore::uncertain(const QString& list) const
{
    StoreQuery q(connection_, path_);
    return q.mails(QStringLiteral("state = ? AND list = ? AND kind = 0 ORDER BY last_try, id"),
                   {int(MailState::Uncertain), list});
}

Result<QList<StoredMail>> SendStore::historyOf(const QString& list, int record) const
{
    StoreQuery q(connection_, path_);
    return q.mails(QStringLiteral("list = ? AND record = ? ORDER BY first_try, id"), {list, record});
}

Result<QDate> SendStore::checkedBefore(const QString& list) const
{
    const auto value = metaValue(QStringLiteral("checked_before\t") + list);
    return value ? QDate::fromString(value->toString(), Qt::ISODate) : Result<QDate>(std::unexpected(value.error()));
}

Result<void> SendStore::setCheckedBefore(const QString& list, const QDate& day)
{
    return setMetaValue(QStringLiteral("checked_before\t") + list, dayText(day));
}

Result<QDateTime> SendStore::reportsShownUntil() const
{
    const auto value = metaValue(QStringLiteral("reports_shown_until"));
    return value ? QDateTime::fromString(value->toString(), Qt::ISODateWithMs)
                 : Result<QDateTime>(std::unexpected(value.error()));
}

Result<void> SendStore::setReportsShownUntil(const QDateTime& time)
{
    // To the millisecond: it is compared with the times of files written in the same second.
    return setMetaValue(QStringLiteral("reports_shown_until"), time.toString(Qt::ISODateWithMs));
}

// A missing key reads as a null value.
Result<QVariant> SendStore::metaValue(const QString& key) const
{
    StoreQuery q(connection_, path_);
    if (auto done = q.exec(QStringLiteral("SELECT value FROM meta WHERE key = ?"), {key}); !done)
        return std::unexpected(done.error());
    return q.q().next() ? q.q().value(0) : QVariant();
}

Result<void> SendStore::setMetaValue(const QString& key, const QVariant& value)
{
    return transaction(connection_, path_, [&](StoreQuery& q) {
        return q.exec(QStringLiteral("INSERT OR REPLACE INTO meta (key, value) VALUES (?, ?)"), {key, value});
    });
}

std::optional<QDateTime> nextTryAfter(int tries, const QDateTime& firstTry, const QDateTime& now, int retryDays)
{
    if (firstTry.addDays(retryDays) <= now)
        return std::nullopt;
    static const std::array<int, 3> minutes{5, 15, 30};
    const int wait = tries >= 1 && tries <= int(minutes.size()) ? minutes[size_t(tries - 1)] : 60;
    return now.addSecs(qint64(wait) * 60);
}
