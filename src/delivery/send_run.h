#pragma once

#include "common/clock.h"
#include "common/error.h"
#include "delivery/campaign_settings.h"
#include "delivery/guest_lookup.h"
#include "delivery/guest_mail.h"
#include "delivery/mail_transport.h"
#include "delivery/send_journal.h"
#include "delivery/smtp_settings.h"

#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <optional>
#include <utility>

// Step mails go once per guest, step and day; the operator's own sends are
// recorded but never held back.
enum class MailKind { Step, Target, Scramble };

// One run: the lines to send and everything their mails are made from.
struct SendJob {
    QString listPath;
    QString logDir;
    CampaignSettings settings;          // server and sender; each step's subject and text file
    std::optional<MailContent> content; // target and scramble: the operator's subject and text
    QList<DueEntry> lines;
    MailKind kind = MailKind::Step;
    QString journalPath; // every mail is recorded here; empty for none
    QString lockPath;    // held while the run sends, so two programs never send together
    QDate runDay;        // a step run's day, recorded once the run went through
    SmtpSettings smtp;   // connection, login, sender's name, pause between mails
    bool testSend = false; // to the sender's own address, marked; no send log, never a step
};

enum class LineState {
    Sent,
    AlreadySent, // the journal has it sent (or its outcome unknown): never again automatically
    Refused,   // skipped: refused by the server, or before it (address, nothing to send)
    Uncertain, // the line went quiet after the message: it may have arrived; never resent
    Unsent,    // the run stopped before it went; it stays in the send list
};

struct LineOutcome {
    DueEntry line;
    LineState state = LineState::Unsent;
    QString address;
    QString reason; // the server's answer, or why nothing went
    bool late = false;
};

struct RunSummary {
    QList<LineOutcome> outcomes;
    std::optional<Error> stop; // why the run ended early: connection, sender, list or log
    bool cancelled = false;
};

// The guest of a line in guests and what to send: the step's subject and text,
// or the job's. InvalidInput when this line has nothing to send.
Result<std::pair<GuestRecord, MailContent>> guestAndContent(const SendJob& job, const QList<GuestRecord>& guests,
                                                            const DueEntry& line);
// A step's subject and text as the settings name them (step 0 the repeat mail).
Result<MailContent> stepMailContent(const CampaignSettings& settings, int step);
// The mail a line of the job gets, exactly as the run makes it (a test's marked so).
Result<OutgoingMail> mailForLine(const SendJob& job, const DueEntry& line, const QDateTime& now);

// Sends the lines of a job one by one through the transport and logs each mail
// that went. Meant to live on a worker thread: it blocks while it sends.
class SendRun : public QObject {
    Q_OBJECT
public:
    SendRun(MailTransport& transport, Clock& clock);
    void run(const SendJob& job);
    // Stops after the mail under way; callable from any thread.
    void cancel() { cancelled_ = true; }

signals:
    void mailStarting(int index, int total, const DueEntry& line);
    void lineDone(const LineOutcome& outcome);
    void finished(const RunSummary& summary);

private:
    struct Attempt;
    void runLines(const SendJob& job, Attempt& state);
    void attempt(const SendJob& job, const DueEntry& line, Attempt& state, bool lastTry);
    void transmit(const SendJob& job, const OutgoingMail& mail, LineOutcome outcome, Attempt& state,
                  bool lastTry);
    bool journal(const SendJob& job, Attempt& state, JournalEntry entry);
    Result<const QList<GuestRecord>*> currentGuests(const SendJob& job, Attempt& state);
    void record(Attempt& state, LineOutcome outcome);

    MailTransport& transport_;
    Clock& clock_;
    std::atomic<bool> cancelled_ = false;
};

// The step lines the journal has as sent, or begun with no outcome: they never go again.
Result<QList<DueEntry>> linesAlreadySent(const QString& journalPath, const QString& listPath,
                                         const QList<DueEntry>& lines);

// The step lines of the days between the last finished run in the journal and
// today, not sent since; none when the journal has no finished run.
Result<QList<DueEntry>> missedStepLines(const QString& journalPath, const QString& listPath, const QDate& today);
