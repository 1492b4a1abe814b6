// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "common/program_dir.h"
#include "delivery/campaign_settings.h"
#include "delivery/guest_lookup.h"
#include "delivery/guest_mail.h"
#include "delivery/mail_state.h"
#include "delivery/sender_notice.h"
#include "smtp/mail_transport.h"
#include "smtp/smtp_settings.h"

#include <QList>
#include <QString>

#include <optional>
#include <utility>

// One run: the lines to send and everything their mails are made from.
struct SendJob {
    QString listPath;
    QString logDir;
    CampaignSettings settings;          // server and sender; each step's subject and text file
    std::optional<MailContent> content; // target and scramble: the operator's subject and text
    QList<DueEntry> lines;
    MailKind kind = MailKind::Step;
    QString home;        // the program folder, whose send record keeps every mail
    QString lockPath;    // held while the run sends, so two programs never send together
    SmtpSettings smtp;   // connection, login, sender's name, pause between mails, retry days
    bool testSend = false; // to the sender's own address, marked; no send log, never a step
    bool resend = false;   // the operator sends an uncertain step mail once more
    bool sendExpired = false; // steps recorded as expired go too (a catch-up asked for)
    SenderNotice notice;      // sender.ini: the footer and List-Unsubscribe of every mail
};

// A job over the program folder as it is now: the open list, the send logs, the
// lock, sender.ini, and the settings given (the window's boxes or config.ini).
Result<SendJob> jobInFolder(const ProgramDir& dir, const QString& listPath, const CampaignSettings& settings,
                            const SmtpSettings& smtp, MailKind kind, const QList<DueEntry>& lines);

// The guest of a line in guests and what to send: the step's subject and text,
// or the job's. InvalidInput when this line has nothing to send.
Result<std::pair<GuestRecord, MailContent>> guestAndContent(const SendJob& job, const QList<GuestRecord>& guests,
                                                            const DueEntry& line);
// A step's subject and text as the settings name them (step 0 the repeat mail); a
// relative text path is in the program folder home, wherever the run was started.
Result<MailContent> stepMailContent(const CampaignSettings& settings, int step, const QString& home);
// The mail a line of the job gets, exactly as the run makes it (a test's marked so).
Result<OutgoingMail> mailForLine(const SendJob& job, const DueEntry& line, const QDateTime& now);
// What the mail of a line carries for its opt-out; no token without the key.
OptOut optOutFor(const SendJob& job, const QByteArray& key, int record);
