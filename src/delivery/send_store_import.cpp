// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/send_store.h"

#include "delivery/send_journal.h"
#include "delivery/store_sql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <array>

using namespace store_sql;

namespace {

// The old journal's step column: "repeat", "1".."7", or an operator's mail.
struct OldStep {
    MailKind kind = MailKind::Step;
    bool test = false;
    int step = 0;
};
OldStep oldStep(const QString& step)
{
    if (step == u"target")
        return {MailKind::Target};
    if (step == u"scramble")
        return {MailKind::Scramble};
    if (step == u"test")
        return {MailKind::Step, true};
    return {MailKind::Step, false, step == u"repeat" ? 0 : step.toInt()};
}

MailState oldState(JournalState state)
{
    static const std::array<MailState, 5> states{MailState::Uncertain, MailState::Sent, MailState::Deferred,
                                                 MailState::Refused, MailState::Uncertain};
    return states[size_t(state)];
}

} // namespace

Result<void> SendStore::importJournal()
{
    const QString journal = QDir(root_).filePath(QStringLiteral("send-journal.txt"));
    if (!QFileInfo::exists(journal))
        return {};
    const auto entries = readJournal(journal);
    if (!entries)
        return std::unexpected(entries.error());
    auto imported = transaction(connection_, path_, [&](StoreQuery& q) -> Result<void> {
        QHash<QString, qint64> begun; // an operator's mail sending, awaiting its outcome
        for (const JournalEntry& e : *entries) {
            if (e.step == u"run")
                continue;
            const OldStep step = oldStep(e.step);
            const MailKey key{listName(e.list), e.record, e.address, step.step, e.due};
            const MailState state = oldState(e.state);
            const QString open = QStringList{key.list, QString::number(key.record), key.address, e.step}.join(u'\t');
            qint64 id = 0;
            if (step.kind == MailKind::Step && !step.test) {
                auto rows = q.mails(kStepKeyWhere, stepKeyValues(key));
                if (!rows)
                    return std::unexpected(rows.error());
                id = rows->isEmpty() ? 0 : rows->first().id;
            } else {
                id = e.state == JournalState::Sending ? 0 : begun.take(open);
            }
            if (!id) {
                auto made = insertMail(q, kindCode(step.kind, step.test), key, e.name, state, e.time, false);
                if (!made)
                    return std::unexpected(made.error());
                id = *made;
                if (e.state == JournalState::Sending && step.kind != MailKind::Step)
                    begun.insert(open, id);
            }
            auto done = q.exec(QStringLiteral("UPDATE mail SET state = ?, reply = ?, log = ?, last_try = ?, next_try = ? "
                                              "WHERE id = ?"),
                               {int(state), e.reply, e.log, timeText(e.time),
                                state == MailState::Deferred ? timeText(e.time) : QVariant(), id});
            if (done)
                done = addAttempt(q, id, e.time, state, e.reply);
            if (!done)
                return done;
        }
        return {};
    });
    if (!imported)
        return imported;
    QString kept = journal + QStringLiteral(".imported");
    for (int n = 2; QFileInfo::exists(kept); ++n)
        kept = journal + QStringLiteral(".imported.%1").arg(n);
    if (!QFile::rename(journal, kept))
        return fail(ErrorKind::Io, QStringLiteral("送信記録「%1」の名前を「%2」に変えられません。").arg(journal, kept));
    return {};
}

