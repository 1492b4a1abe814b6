#pragma once

#include "common/error.h"
#include "delivery/campaign_settings.h"
#include "lists/guest_record.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Display names due on the day, once per due step (zero probe on birthday, as the start-up walk).
QStringList dueNames(const QList<GuestRecord>& guests, const QString& todayText);
Result<QStringList> scanDueGuests(const QString& listPath, const QDate& today);

// The first guest whose display name equals name (record order).
std::optional<GuestRecord> findGuestByDisplayName(const QList<GuestRecord>& guests, const QString& name);

// What OnMail prepares: the step chosen by mailChoice, its subject and text file, the address
// (trimmed), honorific and family name (trimmed). Nothing when the guest is not found or no date is today.
struct PreparedMail {
    int step;
    QString subject;
    QString textFile;
    QString address;
    QString honorific;
    QString familyName;
    QString displayName;
};
std::optional<PreparedMail> prepareDueMail(const QList<GuestRecord>& guests, const QString& name,
                                           const QString& todayText, const CampaignSettings& settings);
// The same over a fresh read of the list file.
Result<std::optional<PreparedMail>> prepareDueMailFromList(const QString& listPath, const QString& name,
                                                           const QDate& today,
                                                           const CampaignSettings& settings);

// List search: display names of every delivering guest up to the first empty display name.
QStringList deliveringNames(const QList<GuestRecord>& guests);
Result<QStringList> searchDeliveringGuests(const QString& listPath);

// Scramble send: delivering guests from record 1 up to the first non-delivering one or empty family name.
QStringList scrambleNames(const QList<GuestRecord>& guests);
// The guests behind scrambleNames, for their address, honorific and family name.
QList<GuestRecord> scrambleGuests(const QList<GuestRecord>& guests);
Result<QList<GuestRecord>> readScrambleGuests(const QString& listPath);
