#include "delivery/send_run.h"

#include "delivery/mail_text.h"
#include "delivery/send_log.h"
#include "lists/list_file.h"

#include <QFileInfo>
#include <QLockFile>

#include <utility>

struct SendRun::Attempt {
    RunSummary summary;
    JournalIndex index;
    QString list;          // the list file as the journal names it
    QList<DueEntry> retry; // answered 4xx: tried once more at the end
    QList<GuestRecord> guests; // the list as last read, and when it was written then
    QDateTime listWritten;
    qint64 listSize = -1;
    bool talked = false; // a mail went to the server: the next one waits first
    bool stopped(const std::atomic<bool>& cancelled) const { return cancelled || summary.stop; }
};

namespace {

QString stepText(const SendJob& job, const DueEntry& line)
{
    if (job.testSend)
        return QStringLiteral("test");
    switch (job.kind) {
    case MailKind::Target:
        return QStringLiteral("target");
    case MailKind::Scramble:
        return QStringLiteral("scramble");
    case MailKind::Step:
        break;
    }
    return journalStep(line.step.value_or(0));
}

JournalState journalState(LineState state)
{
    switch (state) {
    case LineState::Sent:
        return JournalState::Sent;
    case LineState::Refused:
        return JournalState::Refused;
    case LineState::Uncertain:
        return JournalState::Uncertain;
    default:
        return JournalState::Failed;
    }
}

} // namespace

SendRun::SendRun(MailTransport& transport, Clock& clock) : transport_(transport), clock_(clock) {}

void SendRun::run(const SendJob& job)
{
    cancelled_ = false;
    Attempt state;
    state.list = QFileInfo(job.listPath).absoluteFilePath();
    QLockFile lock(job.lockPath);
    // Age says nothing here: a run may last an hour. A holder that died is seen by its process id.
    lock.setStaleLockTime(0);
    while (!job.lockPath.isEmpty() && !cancelled_ && !lock.tryLock(200)) {
        if (lock.error() != QLockFile::LockFailedError) {
            state.summary.stop = Error{ErrorKind::Io, QStringLiteral("送信の排他ファイル「%1」を作れません。").arg(job.lockPath)};
            break;
        }
    }
    // Read only once the lock is held: what another run sent meanwhile counts.
    if (auto entries = readJournal(job.journalPath))
        state.index = JournalIndex(*entries);
    else
        state.summary.stop = entries.error();
    runLines(job, state);
    if (job.kind == MailKind::Step && !job.testSend && job.runDay.isValid() && !state.stopped(cancelled_))
        journal(job, state, {clock_.now(), state.list, 0, {}, {}, QStringLiteral("run"), job.runDay,
                             JournalState::Sent, {}, {}});
    state.summary.cancelled = cancelled_;
    emit finished(state.summary);
}

void SendRun::runLines(const SendJob& job, Attempt& state)
{
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
}

void SendRun::attempt(const SendJob& job, const DueEntry& line, Attempt& state, bool lastTry)
{
    const bool late = line.dueDate.isValid() && line.dueDate < clock_.today();
    const auto guests = currentGuests(job, state);
    const auto made = guests ? guestAndContent(job, **guests, line)
                             : Result<std::pair<GuestRecord, MailContent>>(std::unexpected(guests.error()));
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
    const LineOutcome outcome{line, LineState::Sent, mail->to, {}, late};
    const JournalEntry entry{{}, state.list, line.recordNumber, line.displayName, mail->to, stepText(job, line),
                             line.dueDate, JournalState::Sending, {}, {}};
    if (job.kind == MailKind::Step && !job.testSend && state.index.done(entry)) {
        record(state, {line, LineState::AlreadySent, mail->to, {}, late});
        return;
    }
    if (state.talked)
        clock_.pause(job.smtp.pause(), cancelled_);
    if (cancelled_ || !journal(job, state, entry)) {
        record(state, {line, LineState::Unsent, mail->to, {}, late});
        return;
    }
    state.talked = true;
    transmit(job, *mail, outcome, state, lastTry);
}

// Sends one mail, logs it, and records its outcome in the journal and the summary.
void SendRun::transmit(const SendJob& job, const OutgoingMail& mail, LineOutcome outcome, Attempt& state,
                       bool lastTry)
{
    QString logName;
    if (const auto sent = transport_.send(mail)) {
        // The mail went; without its log no further mail should. A test is no step: no log.
        auto logged = job.testSend ? Result<QString>()
                                   : writeSendLog(job.logDir, clock_.today(), outcome.line.displayName, mail.body);
        if (logged)
            logName = QFileInfo(*logged).fileName();
        else
            state.summary.stop = logged.error();
    } else {
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
            outcome.state = lastTry ? LineState::Refused : LineState::Unsent;
            break;
        default:
            outcome.state = LineState::Unsent;
            state.summary.stop = sent.error();
        }
    }
    journal(job, state, {{}, state.list, outcome.line.recordNumber, outcome.line.displayName, mail.to,
                         stepText(job, outcome.line), outcome.line.dueDate, journalState(outcome.state),
                         outcome.reason, logName});
    if (outcome.state == LineState::Unsent && !state.summary.stop)
        state.retry.append(outcome.line);
    else
        record(state, outcome);
}

// Writes one journal line; a journal that cannot be written stops the run, since
// without it nothing could tell a sent mail from one still to send.
bool SendRun::journal(const SendJob& job, Attempt& state, JournalEntry entry)
{
    entry.time = clock_.now();
    state.index.note(entry);
    if (job.journalPath.isEmpty())
        return true;
    if (auto written = appendJournal(job.journalPath, entry); !written) {
        state.summary.stop = written.error();
        return false;
    }
    return true;
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

Result<std::pair<GuestRecord, MailContent>> guestAndContent(const SendJob& job, const QList<GuestRecord>& guests,
                                                            const DueEntry& line)
{
    if (job.content) {
        const auto guest = guestFor(guests, line);
        if (!guest)
            return fail(ErrorKind::InvalidInput, QStringLiteral("リストに見つかりません"));
        return std::pair{*guest, *job.content};
    }
    const auto due = prepareDueMail(guests, line, job.settings);
    if (!due)
        return fail(ErrorKind::InvalidInput, QStringLiteral("この日に送信するメールが見つかりません"));
    auto content = stepMailContent(job.settings, due->step);
    if (!content)
        return std::unexpected(content.error());
    return std::pair{due->guest, *content};
}

Result<MailContent> stepMailContent(const CampaignSettings& settings, int step)
{
    const QString& file = settings.textFiles.at(step);
    auto text = readMailText(file);
    if (!text)
        return fail(ErrorKind::InvalidInput,
                    file.isEmpty() ? QStringLiteral("送信Textが設定されていません") : text.error().message);
    return MailContent{settings.subjects.at(step), *text};
}

Result<OutgoingMail> mailForLine(const SendJob& job, const DueEntry& line, const QDateTime& now)
{
    const auto guests = readSendingList(job.listPath);
    if (!guests)
        return std::unexpected(guests.error());
    const auto made = guestAndContent(job, *guests, line);
    if (!made)
        return std::unexpected(made.error());
    auto mail = buildGuestMail(made->first, made->second, job.settings, job.smtp, now);
    if (mail && job.testSend)
        markAsTest(*mail);
    return mail;
}

void SendRun::record(Attempt& state, LineOutcome outcome)
{
    state.summary.outcomes.append(outcome);
    emit lineDone(outcome);
}

Result<QList<DueEntry>> linesAlreadySent(const QString& journalPath, const QString& listPath,
                                         const QList<DueEntry>& lines)
{
    const auto entries = readJournal(journalPath);
    if (!entries)
        return std::unexpected(entries.error());
    if (lines.isEmpty() || entries->isEmpty())
        return QList<DueEntry>();
    // Only what tells the guest apart: a whole decode of every guest made start-up slow.
    const auto guests = readGuestList(listPath, EndTest::EmptyRecord, &GuestRecord::fName,
                                      selectFields({&GuestRecord::fName, &GuestRecord::sName, &GuestRecord::address}));
    if (!guests)
        return std::unexpected(guests.error());
    const JournalIndex index(*entries);
    const QString list = QFileInfo(listPath).absoluteFilePath();
    QList<DueEntry> sent;
    for (const DueEntry& line : lines) {
        const auto guest = guestFor(*guests, line);
        if (guest && line.step
            && index.done({{}, list, line.recordNumber, {}, guest->address.trimmed(), journalStep(*line.step),
                           line.dueDate, JournalState::Sent, {}, {}}))
            sent.append(line);
    }
    return sent;
}

Result<QList<DueEntry>> missedStepLines(const QString& journalPath, const QString& listPath, const QDate& today)
{
    const auto entries = readJournal(journalPath);
    if (!entries)
        return std::unexpected(entries.error());
    const QDate lastRun = JournalIndex(*entries).lastCompletedRun();
    QList<DueEntry> lines;
    for (QDate day = lastRun.addDays(1); lastRun.isValid() && day < today; day = day.addDays(1)) {
        const auto due = scanDueGuests(listPath, day);
        if (!due)
            return std::unexpected(due.error());
        lines += *due;
    }
    const auto sent = linesAlreadySent(journalPath, listPath, lines);
    if (!sent)
        return std::unexpected(sent.error());
    lines.removeIf([&](const DueEntry& line) { return sent->contains(line); });
    return lines;
}
