// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/send_plan.h"

#include "common/clock.h"
#include "delivery/send_lock.h"

#include <algorithm>

namespace {

DueEntry lineOf(const StoredMail& mail) { return {mail.key.record, mail.key.step, mail.name, mail.key.due}; }

// The steps of the days looked at: today's, the late ones, and those past sending.
Result<void> sortDueMails(SendStore& store, SendPlan& plan, const QString& listPath, const QDate& lookFrom,
                          const QDate& sendFrom, bool sendExpired, const QDateTime& now)
{
    const QDate today = now.date();
    const QString list = store.listName(listPath);
    const auto mails = scanDueMails(listPath, lookFrom, today);
    if (!mails)
        return std::unexpected(mails.error());
    QList<MailKey> keys;
    keys.reserve(mails->size());
    for (const DueMail& mail : *mails)
        keys.append({list, mail.line.recordNumber, mail.address, *mail.line.step, mail.line.dueDate});
    const auto states = store.stepStates(keys);
    if (!states)
        return std::unexpected(states.error());
    QList<StoredMail> expired;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const DueEntry& line = (*mails)[i].line;
        const std::optional<MailState> state = (*states)[i];
        if (line.dueDate == today) {
            if (!state)
                plan.todays.append(line);
            plan.todaysSent += state == MailState::Sent ? 1 : 0;
        } else if (line.dueDate >= sendFrom) {
            if (!state || (sendExpired && *state == MailState::Expired))
                plan.late.append(line);
        } else if (!state) {
            StoredMail row;
            row.key = keys[i];
            row.name = line.displayName;
            row.state = MailState::Expired;
            expired.append(row);
            plan.settled.append({line, MailState::Expired, row.key.address,
                                 QStringLiteral("%1 分は遅れて送れる日数を過ぎました").arg(dateText(line.dueDate)), true});
        }
    }
    return store.recordMails(expired, now);
}

} // namespace

Result<SendPlan> planSends(const QString& home, const QString& listPath, const QString& lockPath,
                           const QDateTime& now, const SmtpSettings& smtp, int extraDays)
{
    auto opened = SendStore::open(home);
    if (!opened)
        return std::unexpected(opened.error());
    SendStore& store = **opened;
    const QString list = store.listName(listPath);
    if (SendLock lock(lockPath); lock.tryAcquire()) {
        if (auto settled = store.settleInterrupted(now); !settled)
            return std::unexpected(settled.error());
    }
    const QDate today = now.date();
    const QDate sendFrom = std::min(today.addDays(-smtp.catchUpDays), today.addDays(-extraDays));
    const auto checked = store.checkedBefore(list);
    if (!checked)
        return std::unexpected(checked.error());
    // The first plan of a list looks back no further than it may send.
    const QDate lookFrom = checked->isValid() ? std::min(*checked, sendFrom) : sendFrom;
    SendPlan plan;
    if (auto sorted = sortDueMails(store, plan, listPath, lookFrom, sendFrom, extraDays > 0, now); !sorted)
        return std::unexpected(sorted.error());
    if (auto marked = store.setCheckedBefore(list, std::max(checked->isValid() ? *checked : sendFrom, sendFrom)); !marked)
        return std::unexpected(marked.error());

    const auto given = store.giveUpDeferred(list, now.addDays(-smtp.retryDays), now);
    const auto retries = store.deferredBy(list, now);
    const auto uncertain = store.uncertain(list);
    if (!given || !retries || !uncertain)
        return std::unexpected(!given ? given.error() : !retries ? retries.error() : uncertain.error());
    for (const StoredMail& mail : *given)
        plan.settled.append({lineOf(mail), MailState::GivenUp, mail.key.address, mail.reply, false});
    for (const StoredMail& mail : *retries)
        plan.retries.append(lineOf(mail));
    plan.uncertain = *uncertain;
    return plan;
}

Result<QList<DueEntry>> retriesDue(const QString& home, const QString& listPath, const QDateTime& now)
{
    auto store = SendStore::open(home);
    if (!store)
        return std::unexpected(store.error());
    const auto deferred = (*store)->deferredBy((*store)->listName(listPath), now);
    if (!deferred)
        return std::unexpected(deferred.error());
    QList<DueEntry> lines;
    for (const StoredMail& mail : *deferred)
        lines.append(lineOf(mail));
    return lines;
}

Result<SendPlan> planSendsNow(const ProgramDir& dir, const QString& listPath, const QDateTime& now)
{
    const auto smtp = readSmtpFile(dir.root());
    if (!smtp)
        return std::unexpected(smtp.error());
    return planSends(dir.root(), listPath, dir.sendLock(), now, *smtp);
}
