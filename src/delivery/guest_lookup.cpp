// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/guest_lookup.h"

#include "common/clock.h"
#include "common/text_field.h"
#include "lists/list_file.h"
#include "lists/schedule.h"

#include <algorithm>

Result<QList<GuestRecord>> readSendingList(const QString& listPath)
{
    return readGuestList(listPath, EndTest::EmptyRecord);
}

QList<int> mailSteps(const GuestRecord& guest, const QString& todayText)
{
    const QList<int> due = dueSteps(guest, todayText);
    if (!due.isEmpty() && stepSwitch(guest, 0) == 1)
        return {0};
    return due;
}

namespace {

void appendDueEntries(QList<DueEntry>& entries, int record, const GuestRecord& guest, const QString& dayText,
                      const QDate& day)
{
    for (int step : mailSteps(guest, dayText))
        entries.append({record, step, displayName(guest), day});
}

} // namespace

QList<DueEntry> dueEntries(const QList<GuestRecord>& guests, const QDate& day)
{
    const QString dayText = dateText(day);
    QList<DueEntry> entries;
    for (qsizetype i = 0; i < guests.size(); ++i)
        appendDueEntries(entries, int(i + 1), guests[i], dayText, day);
    return entries;
}

DueScan scanDueGuestsIn(QByteArrayView listBytes, const QDate& day)
{
    const QString dayText = dateText(day);
    DueScan scan;
    scan.guestCount = walkGuests(listBytes, EndTest::ZeroProbe, &GuestRecord::birthday,
                                 dueTestFields() | selectFields({&GuestRecord::fName, &GuestRecord::sName}),
                                 [&](int k, GuestRecord& guest) {
                                     appendDueEntries(scan.entries, k, guest, dayText, day);
                                 });
    return scan;
}

Result<QList<DueEntry>> scanDueGuests(const QString& listPath, const QDate& today)
{
    auto bytes = readListFile(listPath);
    if (!bytes)
        return std::unexpected(bytes.error());
    return scanDueGuestsIn(*bytes, today).entries;
}

Result<QList<DueMail>> scanDueMails(const QString& listPath, const QDate& from, const QDate& to)
{
    const QString first = dateText(from);
    const QString last = dateText(to);
    QList<DueMail> mails;
    const auto walked = walkGuestList(
        listPath, EndTest::ZeroProbe, &GuestRecord::birthday,
        dueTestFields() | selectFields({&GuestRecord::fName, &GuestRecord::sName, &GuestRecord::address}),
        [&](int k, GuestRecord& guest) {
            QStringList days;
            for (int step = 1; step < kStepCount; ++step) {
                const QString day = stepDate(guest, step);
                if (day >= first && day <= last && !days.contains(day) && dateFromText(day))
                    days.append(day);
            }
            for (const QString& day : std::as_const(days)) {
                for (int step : mailSteps(guest, day))
                    mails.append({{k, step, displayName(guest), *dateFromText(day)}, mailAddressOf(guest)});
            }
        });
    if (!walked)
        return std::unexpected(walked.error());
    std::ranges::stable_sort(mails, {}, [](const DueMail& m) { return m.line.dueDate; });
    return mails;
}

std::optional<GuestRecord> guestFor(const QList<GuestRecord>& guests, const DueEntry& entry)
{
    // The list may have changed since the line was made: never mail someone else.
    if (entry.recordNumber < 1 || entry.recordNumber > guests.size())
        return std::nullopt;
    const GuestRecord& guest = guests[entry.recordNumber - 1];
    if (displayName(guest) != entry.displayName)
        return std::nullopt;
    return guest;
}

std::optional<PreparedMail> prepareDueMail(const QList<GuestRecord>& guests, const DueEntry& entry,
                                           const CampaignSettings& settings)
{
    const auto guest = guestFor(guests, entry);
    if (!guest || !entry.step || !mailSteps(*guest, dateText(entry.dueDate)).contains(*entry.step))
        return std::nullopt;
    const int step = *entry.step;
    return PreparedMail{step, settings.subjects.at(step), settings.textFiles.at(step), *guest};
}

QList<DueEntry> deliveringEntries(const QList<GuestRecord>& guests)
{
    QList<DueEntry> entries;
    for (qsizetype i = 0; i < guests.size(); ++i) {
        const QString name = displayName(guests[i]);
        if (name.isEmpty())
            break;
        if (isDelivering(guests[i]))
            entries.append({int(i + 1), std::nullopt, name});
    }
    return entries;
}

int searchedGuestCount(const QList<GuestRecord>& guests)
{
    const auto nameless = std::ranges::find_if(
        guests, [](const GuestRecord& guest) { return displayName(guest).isEmpty(); });
    return int(nameless - guests.begin());
}

QList<DueEntry> scrambleEntries(const QList<GuestRecord>& guests)
{
    QList<DueEntry> entries;
    for (qsizetype i = 0; i < guests.size(); ++i) {
        const QString name = displayName(guests[i]);
        // A nameless record cannot be told apart in the log or the send list.
        if (isDelivering(guests[i]) && !name.isEmpty())
            entries.append({int(i + 1), std::nullopt, name});
    }
    return entries;
}
