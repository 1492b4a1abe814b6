#include "delivery/send_run.h"

#include "delivery/mail_text.h"
#include "delivery/send_log.h"

#include <utility>

struct SendRun::Attempt {
    RunSummary summary;
    QList<DueEntry> retry; // answered 4xx: tried once more at the end
    bool talked = false;   // a mail went to the server: the next one waits first
    bool stopped(const std::atomic<bool>& cancelled) const { return cancelled || summary.stop; }
};

SendRun::SendRun(MailTransport& transport, Clock& clock) : transport_(transport), clock_(clock) {}

void SendRun::run(const SendJob& job)
{
    cancelled_ = false;
    Attempt state;
    const int total = int(job.lines.size());
    int next = 0;
    for (; next < total && !state.stopped(cancelled_); ++next) {
        emit mailStarting(next, total, job.lines[next]);
        attempt(job, job.lines[next], state, false);
    }
    QList<DueEntry> left = job.lines.mid(next);
    for (const DueEntry& line : std::exchange(state.retry, {})) {
        if (state.stopped(cancelled_))
            left.append(line);
        else
            attempt(job, line, state, true);
    }
    for (const DueEntry& line : std::as_const(left))
        record(state, {line, LineState::Unsent, {}, {}, false});
    state.summary.cancelled = cancelled_;
    emit finished(state.summary);
}

void SendRun::attempt(const SendJob& job, const DueEntry& line, Attempt& state, bool lastTry)
{
    const bool late = line.dueDate.isValid() && line.dueDate < clock_.today();
    const auto made = guestAndContent(job, line);
    if (!made) {
        const bool guestOnly = made.error().kind == ErrorKind::InvalidInput;
        if (!guestOnly)
            state.summary.stop = made.error();
        record(state, {line, guestOnly ? LineState::Refused : LineState::Unsent, {}, made.error().message, late});
        return;
    }
    auto mail = buildGuestMail(made->first, made->second, job.settings, job.smtp, clock_.now());
    if (mail && job.testSend)
        markAsTest(*mail);
    if (!mail) {
        record(state, {line, LineState::Refused, made->first.address.trimmed(), mail.error().message, late});
        return;
    }
    if (state.talked)
        clock_.pause(job.smtp.pause(), cancelled_);
    if (cancelled_) {
        record(state, {line, LineState::Unsent, mail->to, {}, late});
        return;
    }
    state.talked = true;
    LineOutcome outcome{line, LineState::Sent, mail->to, {}, late};
    const auto sent = transport_.send(*mail);
    if (sent) {
        // The mail went; without its log no further mail should. A test is no step.
        if (!job.testSend) {
            if (auto logged = writeSendLog(job.logDir, clock_.today(), line.displayName, mail->body); !logged)
                state.summary.stop = logged.error();
        }
        record(state, outcome);
        return;
    }
    outcome.reason = sent.error().message;
    switch (sent.error().kind) {
    case ErrorKind::RecipientRefused:
    case ErrorKind::MessageRefused:
    case ErrorKind::InvalidInput:
        outcome.state = LineState::Refused;
        break;
    case ErrorKind::Uncertain:
        outcome.state = LineState::Uncertain;
        break;
    case ErrorKind::TemporaryFailure:
        if (!lastTry) {
            state.retry.append(line);
            return;
        }
        outcome.state = LineState::Refused;
        break;
    default:
        outcome.state = LineState::Unsent;
        state.summary.stop = sent.error();
    }
    record(state, outcome);
}

Result<std::pair<GuestRecord, MailContent>> guestAndContent(const SendJob& job, const DueEntry& line)
{
    auto guests = readSendingList(job.listPath);
    if (!guests)
        return std::unexpected(guests.error());
    if (job.content) {
        const auto guest = guestFor(*guests, line);
        if (!guest)
            return fail(ErrorKind::InvalidInput, QStringLiteral("リストに見つかりません"));
        return std::pair{*guest, *job.content};
    }
    const auto due = prepareDueMail(*guests, line, job.settings);
    if (!due)
        return fail(ErrorKind::InvalidInput, QStringLiteral("この日に送信するメールが見つかりません"));
    auto text = readMailText(due->textFile);
    if (!text)
        return fail(ErrorKind::InvalidInput, due->textFile.isEmpty()
                                                 ? QStringLiteral("送信Textが設定されていません")
                                                 : text.error().message);
    return std::pair{due->guest, MailContent{due->subject, *text}};
}

void SendRun::record(Attempt& state, LineOutcome outcome)
{
    state.summary.outcomes.append(outcome);
    emit lineDone(outcome);
}

Result<OutgoingMail> mailForLine(const SendJob& job, const DueEntry& line, const QDateTime& now)
{
    const auto made = guestAndContent(job, line);
    if (!made)
        return std::unexpected(made.error());
    auto mail = buildGuestMail(made->first, made->second, job.settings, job.smtp, now);
    if (mail && job.testSend)
        markAsTest(*mail);
    return mail;
}
