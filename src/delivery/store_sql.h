// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The send record's own SQL plumbing, shared by its files; nothing else includes it.

#include "common/error.h"
#include "delivery/send_store.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <functional>

namespace store_sql {

// An unknown time is stored as NULL; every text column else holds at least "".
QVariant timeText(const QDateTime& time);
QDateTime timeOf(const QVariant& value);
QString dayText(const QDate& day);
// The kind column: MailKind's values, and one more for a test send.
int kindCode(MailKind kind, bool test);

// A failure of the record as the operator reads it; a full disk says so.
Error storeError(const QString& path, const QSqlError& error);

// One connection's statements, each failure worded once.
class StoreQuery {
public:
    StoreQuery(const QString& connection, const QString& path);
    Result<void> exec(const QString& sql, const QVariantList& values = {});
    // The rows of mail that match, whole.
    Result<QList<StoredMail>> mails(const QString& where, const QVariantList& values);
    QSqlQuery& q() { return query_; }

private:
    QSqlQuery query_;
    const QString& path_;
};

// Runs the changes as one transaction that holds the write lock from its start.
Result<void> transaction(const QString& connection, const QString& path,
                         const std::function<Result<void>(StoreQuery&)>& work);
Result<qint64> insertMail(StoreQuery& q, int kind, const MailKey& key, const QString& name, MailState state,
                          const QDateTime& time, bool late);
Result<void> addAttempt(StoreQuery& q, qint64 id, const QDateTime& time, MailState state, const QString& reply);

// The WHERE of one step mail's row, and its values.
extern const QString kStepKeyWhere;
QVariantList stepKeyValues(const MailKey& key);

} // namespace store_sql
