// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/clock.h"
#include "common/error.h"
#include "delivery/campaign_settings.h"
#include "delivery/guest_lookup.h"
#include "delivery/line_mail.h"
#include "smtp/mail_transport.h"
#include "delivery/mail_state.h"
#include "smtp/smtp_settings.h"

#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <optional>
#include <utility>

struct LineOutcome {
    DueEntry line;
    MailState state = MailState::Due; // Due: the run stopped before it; it stays in the send list
    QString address;
    QString reason;   // the server's answer, or why nothing went
    bool late = false;
    bool earlier = false; // the record had it done already: nothing went now
    QDateTime nextTry;    // deferred: when it goes again
};

struct RunSummary {
    QList<LineOutcome> outcomes;
    std::optional<Error> stop; // why the run ended early: connection, sender, list, log or record
    bool cancelled = false;
    QString renewedRefreshToken; // the OAuth provider gave a new one: keep it where the old one was
};

// Sends the lines of a job one by one through the transport and logs each mail
// that went. Meant to live on a worker thread: it blocks while it sends.
class SendRun : public QObject {
    Q_OBJECT
public:
    SendRun(MailTransport& transport, Clock& clock);
    // An OAuth login gets its access token here, on the thread that sends.
    void run(const SendJob& job);
    // Stops after the mail under way; callable from any thread.
    void cancel() { cancelled_ = true; }

signals:
    void mailStarting(int index, int total, const DueEntry& line);
    void lineDone(const LineOutcome& outcome);
    void finished(const RunSummary& summary);

private:
    struct Attempt;
    bool freshLogin(SmtpSettings& smtp, Attempt& state);
    void attempt(const SendJob& job, const DueEntry& line, Attempt& state);
    std::optional<qint64> begin(const SendJob& job, const OutgoingMail& mail, const LineOutcome& outcome,
                                Attempt& state);
    void transmit(const SendJob& job, const OutgoingMail& mail, LineOutcome outcome, qint64 id, Attempt& state);
    Result<const QList<GuestRecord>*> currentGuests(const SendJob& job, Attempt& state);
    QString addressOf(const SendJob& job, const DueEntry& line, Attempt& state);
    void record(Attempt& state, LineOutcome outcome);

    MailTransport& transport_;
    Clock& clock_;
    std::atomic<bool> cancelled_ = false;
};

