#include "delivery/guest_lookup.h"

#include "common/clock.h"
#include "common/text_field.h"
#include "lists/list_file.h"
#include "lists/schedule.h"

namespace {

// The sending-side walks stop by their own rules; read up to the first all-zero record.
Result<QList<GuestRecord>> readWholeList(const QString& listPath)
{
    return readGuestList(listPath, EndTest::EmptyRecord);
}

} // namespace

QStringList dueNames(const QList<GuestRecord>& guests, const QString& todayText)
{
    QStringList names;
    for (const GuestRecord& guest : guests) {
        const qsizetype due = dueSteps(guest, todayText).size();
        for (qsizetype i = 0; i < due; ++i)
            names.append(displayName(guest));
    }
    return names;
}

Result<QStringList> scanDueGuests(const QString& listPath, const QDate& today)
{
    auto guests = readGuestList(listPath, EndTest::ZeroProbe, &GuestRecord::birthday);
    if (!guests)
        return std::unexpected(guests.error());
    return dueNames(*guests, dateText(today));
}

std::optional<GuestRecord> findGuestByDisplayName(const QList<GuestRecord>& guests, const QString& name)
{
    for (const GuestRecord& guest : guests) {
        if (displayName(guest) == name)
            return guest;
    }
    return std::nullopt;
}

std::optional<PreparedMail> prepareDueMail(const QList<GuestRecord>& guests, const QString& name,
                                           const QString& todayText, const CampaignSettings& settings)
{
    const auto guest = findGuestByDisplayName(guests, name);
    if (!guest)
        return std::nullopt;
    const auto step = mailChoice(*guest, todayText);
    if (!step)
        return std::nullopt;
    return PreparedMail{*step,
                        settings.subjects.at(*step),
                        settings.textFiles.at(*step),
                        trimRight(guest->address),
                        trimRight(guest->keisyou),
                        trimRight(guest->fName),
                        displayName(*guest)};
}

Result<std::optional<PreparedMail>> prepareDueMailFromList(const QString& listPath, const QString& name,
                                                           const QDate& today,
                                                           const CampaignSettings& settings)
{
    auto guests = readWholeList(listPath);
    if (!guests)
        return std::unexpected(guests.error());
    return prepareDueMail(*guests, name, dateText(today), settings);
}

QStringList deliveringNames(const QList<GuestRecord>& guests)
{
    QStringList names;
    for (const GuestRecord& guest : guests) {
        const QString name = displayName(guest);
        if (name.isEmpty())
            break;
        if (isDelivering(guest))
            names.append(name);
    }
    return names;
}

Result<QStringList> searchDeliveringGuests(const QString& listPath)
{
    auto guests = readWholeList(listPath);
    if (!guests)
        return std::unexpected(guests.error());
    return deliveringNames(*guests);
}

QList<GuestRecord> scrambleGuests(const QList<GuestRecord>& guests)
{
    QList<GuestRecord> chosen;
    for (const GuestRecord& guest : guests) {
        if (!isDelivering(guest))
            break;
        // A nameless record cannot be told apart in the log or the send list.
        if (!displayName(guest).isEmpty())
            chosen.append(guest);
        if (trimRight(guest.fName).isEmpty())
            break;
    }
    return chosen;
}

QStringList scrambleNames(const QList<GuestRecord>& guests)
{
    QStringList names;
    for (const GuestRecord& guest : scrambleGuests(guests))
        names.append(displayName(guest));
    return names;
}

Result<QList<GuestRecord>> readScrambleGuests(const QString& listPath)
{
    auto guests = readWholeList(listPath);
    if (!guests)
        return std::unexpected(guests.error());
    return scrambleGuests(*guests);
}
