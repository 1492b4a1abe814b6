// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "common/program_dir.h"
#include "delivery/guest_lookup.h"
#include "delivery/send_run.h"
#include "delivery/send_store.h"
#include "smtp/smtp_settings.h"

#include <QDateTime>
#include <QList>
#include <QString>

// What a run should send now, read from the list and the send record, and what
// the operator must be told before it.
struct SendPlan {
    QList<DueEntry> todays;      // dated today, not in the record
    int todaysSent = 0;          // dated today, recorded as sent
    QList<DueEntry> late;        // dated within catch_up_days (or the catch-up asked for), never sent
    QList<DueEntry> retries;     // deferred, their next try has come
    QList<LineOutcome> settled;  // expired or given up just now: reported this once
    QList<StoredMail> uncertain; // may have arrived: never again unless the operator says so
    QList<DueEntry> lines() const { return late + todays + retries; }
    // What the window lists at start-up and asks to send; the late ones it offers apart.
    QList<DueEntry> listed() const { return todays + retries; }
};

// The plan for the list at now. No marker of finished runs decides: a step
// counts as sent when the record has a row for it. Steps older than the days a
// run may catch up (smtp.ini's catch_up_days, or extraDays when more) are
// recorded as expired; deferred mails first tried retry_days ago are given up.
// Mails a stopped run left sending are settled as uncertain once nobody sends.
Result<SendPlan> planSends(const QString& home, const QString& listPath, const QString& lockPath,
                           const QDateTime& now, const SmtpSettings& smtp, int extraDays = 0);

// The plan of the program folder's list at now, with smtp.ini as it is.
Result<SendPlan> planSendsNow(const ProgramDir& dir, const QString& listPath, const QDateTime& now);

// The deferred step mails of the list whose next try has come.
Result<QList<DueEntry>> retriesDue(const QString& home, const QString& listPath, const QDateTime& now);
