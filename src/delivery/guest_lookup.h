// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "delivery/campaign_settings.h"
#include "lists/guest_record.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

// One line of the send list: the guest's record number (1 = first record), the
// step whose mail it sends (0 = the repeat mail; none for a line of the list
// search or the scramble send), the name it shows, and the day the step is due.
struct DueEntry {
    int recordNumber = 0;
    std::optional<int> step;
    QString displayName;
    QDate dueDate;
    bool operator==(const DueEntry&) const = default;
};

// The list as the sending side reads it: up to the first all-zero record.
Result<QList<GuestRecord>> readSendingList(const QString& listPath);

// The steps whose mail a guest receives on that day: the repeat mail once when
// the repeat switch is on, otherwise each step dated today whose switch is on.
QList<int> mailSteps(const GuestRecord& guest, const QString& todayText);
// One entry per mail step of every guest (zero probe on birthday, as the start-up walk).
QList<DueEntry> dueEntries(const QList<GuestRecord>& guests, const QDate& day);
// The same walk over a list's bytes: the entries, and how many guests it walked.
struct DueScan {
    QList<DueEntry> entries;
    int guestCount = 0;
};
DueScan scanDueGuestsIn(QByteArrayView listBytes, const QDate& day);
Result<QList<DueEntry>> scanDueGuests(const QString& listPath, const QDate& today);

// A step mail of the list and the address it goes to.
struct DueMail {
    DueEntry line;
    QString address;
};
// Every step mail dated from..to, by day and then by record.
Result<QList<DueMail>> scanDueMails(const QString& listPath, const QDate& from, const QDate& to);

// The guest behind an entry, when the list still holds it under the entry's name.
std::optional<GuestRecord> guestFor(const QList<GuestRecord>& guests, const DueEntry& entry);

// What a step line sends: its step's subject and text file, and the guest.
// Nothing when the guest is gone or the step is no longer due on the line's day.
struct PreparedMail {
    int step;
    QString subject;
    QString textFile;
    GuestRecord guest;
};
std::optional<PreparedMail> prepareDueMail(const QList<GuestRecord>& guests, const DueEntry& entry,
                                           const CampaignSettings& settings);

// List search: every delivering guest up to the first empty display name.
QList<DueEntry> deliveringEntries(const QList<GuestRecord>& guests);
// The guest count the list search shows: the records before the first empty display name.
int searchedGuestCount(const QList<GuestRecord>& guests);

// Scramble send: every delivering guest of the list with a display name.
QList<DueEntry> scrambleEntries(const QList<GuestRecord>& guests);
