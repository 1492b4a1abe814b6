#pragma once

#include "common/clock.h"
#include "common/error.h"
#include "delivery/campaign_settings.h"
#include "delivery/guest_lookup.h"
#include "delivery/guest_mail.h"
#include "delivery/mail_transport.h"
#include "delivery/smtp_settings.h"

#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <optional>
#include <utility>

// One run: the lines to send and everything their mails are made from.
struct SendJob {
    QString listPath;
    QString logDir;
    CampaignSettings settings;          // server and sender; each step's subject and text file
    SmtpSettings smtp;                  // connection, login, sender's name, pause between mails
    bool testSend = false;              // to the sender's own address, marked; no send log
    std::optional<MailContent> content; // target and scramble: the operator's subject and text
    QList<DueEntry> lines;
};

enum class LineState {
    Sent,
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

// The guest of a line and what to send: the step's subject and text, or the job's.
// InvalidInput when this line has nothing to send; other errors stop a run.
Result<std::pair<GuestRecord, MailContent>> guestAndContent(const SendJob& job, const DueEntry& line);
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
    void attempt(const SendJob& job, const DueEntry& line, Attempt& state, bool lastTry);
    void record(Attempt& state, LineOutcome outcome);

    MailTransport& transport_;
    Clock& clock_;
    std::atomic<bool> cancelled_ = false;
};
