// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/send_run.h"

#include "delivery/delivery_log.h"
#include "delivery/send_lock.h"
#include "delivery/send_log.h"
#include "delivery/send_store.h"
#include "delivery/sender_notice.h"
#include "smtp/oauth.h"
#include "lists/list_file.h"

#include <QFileInfo>

#include <utility>

struct SendRun::Attempt {
    RunSummary summary;
    std::unique_ptr<SendStore> store;
    QString list;              // the list file as the send record names it
    QList<GuestRecord> guests; // the list as last read, and when it was written then
    QDateTime listWritten;
    qint64 listSize = -1;
    bool talked = false; // a mail went to the server: the next one waits first
    QByteArray optOutKey; // the tokens of List-Unsubscribe
    int nextLog = 0;     // the number of the run's next send log; 0 until the first is written
    QDateTime tokenExpires; // an OAuth login's access token
    bool stopped(const std::atomic<bool>& cancelled) const { return cancelled || summary.stop; }
};

namespace {

// What a failed send means for the mail; the kinds that stop the run come back as Due.
MailState failedState(ErrorKind kind)
{
    switch (kind) {
    case ErrorKind::RecipientRefused:
    case ErrorKind::MessageRefused:
    case ErrorKind::InvalidInput:
        return MailState::Refused;
    case ErrorKind::Uncertain:
        return MailState::Uncertain;
    case ErrorKind::TemporaryFailure:
    case ErrorKind::ConnectionLost:
        return MailState::Deferred;
    default:
        return MailState::Due;
    }
}

} // namespace

SendRun::SendRun(MailTransport& transport, Clock& clock) : transport_(transport), clock_(clock) {}

void SendRun::run(const SendJob& asked)
{
    cancelled_ = false;
    Attempt state;
    SendJob job = asked;
    SendLock lock(job.lockPath);
    if (auto held = lock.acquire(cancelled_); !held && !cancelled_)
        state.summary.stop = held.error();
    // Opened only once the lock is held: what another run sent meanwhile counts.
    if (!state.stopped(cancelled_)) {
        auto store = SendStore::open(job.home);
        const auto settled = store ? (*store)->settleInterrupted(clock_.now()) : Result<void>(std::unexpected(store.error()));
        auto key = optOutKey(job.home);
        if (settled && key) {
            state.store = std::move(*store);
            state.list = state.store->listName(job.listPath);
            state.optOutKey = *key;
        } else {
            state.summary.stop = settled ? key.error() : settled.error();
        }
    }
    const int total = int(job.lines.size());
    int next = 0;
    for (; next < total && !state.stopped(cancelled_) && freshLogin(job.smtp, state); ++next) {
        emit mailStarting(next, total, job.lines[next]);
        attempt(job, job.lines[next], state);
    }
    transport_.endSession();
    for (const DueEntry& line : job.lines.mid(next))
        record(state, {line, MailState::Due, addressOf(job, line, state)});
    state.summary.cancelled = cancelled_;
    emit finished(state.summary);
}

// An OAuth login needs an access token: one per run, and a new one shortly before it expires.
bool SendRun::freshLogin(SmtpSettings& smtp, Attempt& state)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (!smtp.oauth() || smtp.user.isEmpty() || (state.tokenExpires.isValid() && now.secsTo(state.tokenExpires) > 120))
        return true;
    const auto token = refreshAccessToken(smtp);
    if (!token) {
        state.summary.stop = token.error();
        return false;
    }
    smtp.accessToken = token->token;
    state.tokenExpires = token->expires;
    if (!token->refreshToken.isEmpty())
        smtp.oauthRefreshToken = state.summary.renewedRefreshToken = token->refreshToken;
    return true;
}

void SendRun::attempt(const SendJob& job, const DueEntry& line, Attempt& state)
{
    const bool late = line.dueDate.isValid() && line.dueDate < clock_.today();
    const auto guests = currentGuests(job, state);
    const auto made = guests ? guestAndContent(job, **guests, line)
                             : Result<std::pair<GuestRecord, MailContent>>(std::unexpected(guests.error()));
    if (!made) {
        const bool guestOnly = made.error().kind == ErrorKind::InvalidInput;
        if (!guestOnly)
            state.summary.stop = made.error();
        record(state, {line, guestOnly ? MailState::Refused : MailState::Due, {}, made.error().message, late});
        return;
    }
    auto mail = buildGuestMail(made->first, made->second, job.settings, job.smtp, clock_.now(),
                               optOutFor(job, state.optOutKey, line.recordNumber));
    if (mail && job.testSend)
        markAsTest(*mail);
    if (!mail) {
        record(state, {line, MailState::Refused, mailAddressOf(made->first), mail.error().message, late});
        return;
    }
    const LineOutcome outcome{line, MailState::Sent, mail->to, {}, late};
    if (const auto id = begin(job, *mail, outcome, state))
        transmit(job, *mail, outcome, *id, state);
}

// Waits the pause and marks the mail as sending in the record; nothing (and the
// line recorded) when it must not go now.
std::optional<qint64> SendRun::begin(const SendJob& job, const OutgoingMail& mail, const LineOutcome& outcome,
                                     Attempt& state)
{
    const DueEntry& line = outcome.line;
    const bool step = job.kind == MailKind::Step && !job.testSend;
    const MailKey key{state.list, line.recordNumber, mail.to, line.step.value_or(0), line.dueDate};
    QList<MailState> mayRestart{MailState::Deferred};
    if (job.resend)
        mayRestart << MailState::Uncertain;
    if (job.sendExpired)
        mayRestart << MailState::Expired;
    if (step) {
        const auto known = state.store->stepMail(key);
        if (!known) {
            state.summary.stop = known.error();
        } else if (*known && !mayRestart.contains((*known)->state)) {
            LineOutcome done = outcome;
            done.state = (*known)->state;
            done.earlier = true;
            record(state, done);
            return std::nullopt;
        }
    }
    if (state.talked && !state.summary.stop)
        clock_.pause(job.smtp.pause(), cancelled_);
    Result<std::optional<qint64>> id = std::optional<qint64>();
    if (!state.stopped(cancelled_))
        id = step ? state.store->beginStep(key, line.displayName, outcome.late, mayRestart, clock_.now())
                  : state.store->beginOperatorMail(job.kind, job.testSend, state.list, line.recordNumber,
                                                   line.displayName, mail.to, clock_.now());
    if (!id)
        state.summary.stop = id.error();
    if (!id || !*id) {
        LineOutcome left = outcome;
        left.state = MailState::Due;
        record(state, left);
        return std::nullopt;
    }
    state.talked = true;
    return **id;
}

// Sends one mail, logs it, and records its outcome in the send record and the summary.
void SendRun::transmit(const SendJob& job, const OutgoingMail& mail, LineOutcome outcome, qint64 id, Attempt& state)
{
    QString logName;
    const auto sent = transport_.send(mail);
    if (sent) {
        // The mail went; without its log no further mail should. A test is no step: no log.
        auto logged = job.testSend ? Result<QString>()
                                   : writeSendLog(job.logDir, clock_.today(), outcome.line.displayName, mail.body,
                                                  &state.nextLog);
        if (logged)
            logName = QFileInfo(*logged).fileName();
        else
            state.summary.stop = logged.error();
    } else {
        outcome.reason = sent.error().message;
        outcome.state = failedState(sent.error().kind);
        // A session that ended early is the next mail's new connection; a server gone ends the run.
        if (outcome.state == MailState::Due)
            state.summary.stop = sent.error();
    }
    const QDateTime now = clock_.now();
    const bool retried = job.kind == MailKind::Step && !job.testSend;
    // The server never judged it (down, login refused): the next run, whenever it comes, tries again.
    const bool unjudged = outcome.state == MailState::Due;
    if (unjudged && retried)
        outcome.state = MailState::Deferred;
    if (outcome.state == MailState::Deferred && !retried)
        outcome.state = MailState::Due; // the operator's own text is not kept: it waits in the send list
    if (outcome.state == MailState::Deferred) {
        const auto known = state.store->stepMail({state.list, outcome.line.recordNumber, mail.to,
                                                  outcome.line.step.value_or(0), outcome.line.dueDate});
        const StoredMail row = known && *known ? **known : StoredMail{};
        const auto next = nextTryAfter(row.tries, row.firstTry.isValid() ? row.firstTry : now, now, job.smtp.retryDays);
        outcome.state = next ? MailState::Deferred : MailState::GivenUp;
        outcome.nextTry = next && unjudged ? now : next.value_or(QDateTime());
    }
    if (auto written = state.store->finish(id, outcome.state, outcome.reason, logName, now, outcome.nextTry); !written)
        state.summary.stop = written.error();
    record(state, outcome);
}

// Where a line that did not go would have gone, for the report.
QString SendRun::addressOf(const SendJob& job, const DueEntry& line, Attempt& state)
{
    const auto guests = currentGuests(job, state);
    const auto guest = guests ? guestFor(**guests, line) : std::nullopt;
    return guest ? mailAddressOf(*guest) : QString();
}

// The list is read again whenever it was written since: an edit during a long
// run reaches the next mail.
Result<const QList<GuestRecord>*> SendRun::currentGuests(const SendJob& job, Attempt& state)
{
    const QFileInfo info(job.listPath);
    if (info.size() != state.listSize || info.lastModified() != state.listWritten) {
        auto guests = readSendingList(job.listPath);
        if (!guests)
            return std::unexpected(guests.error());
        state.guests = std::move(*guests);
        state.listSize = info.size();
        state.listWritten = info.lastModified();
    }
    return &state.guests;
}

void SendRun::record(Attempt& state, LineOutcome outcome)
{
    qCDebug(lcDelivery).noquote() << mailStateWord(outcome.state) << outcome.line.displayName << outcome.address
                                  << outcome.line.recordNumber << outcome.line.step.value_or(-1) << outcome.reason;
    state.summary.outcomes.append(outcome);
    emit lineDone(outcome);
}

