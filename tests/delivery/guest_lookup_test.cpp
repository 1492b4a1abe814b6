#include "delivery/guest_lookup.h"
#include "lists/guest_record.h"

#include "test_support.h"

#include <gtest/gtest.h>

namespace {

const QString kToday = u"2026/12/08"_s;

CampaignSettings settings()
{
    CampaignSettings s;
    const QStringList steps{u"repeat"_s, u"first"_s, u"second"_s, u"third"_s,
                            u"fourth"_s, u"fifth"_s, u"sixth"_s, u"final"_s};
    for (int i = 0; i < 8; ++i) {
        s.subjects[i] = u"subject-"_s + steps[i];
        s.textFiles[i] = u"/t/"_s + steps[i] + u".txt"_s;
    }
    return s;
}

GuestRecord guestWith(const QString& family, const QString& given, QString GuestRecord::*date,
                      qint16 GuestRecord::*sw)
{
    GuestRecord guest = makeGuest(family, given);
    guest.*date = kToday;
    if (sw)
        guest.*sw = 1;
    return guest;
}

} // namespace

TEST(DueScan, StepDueTodayIsListedOnceAndGetsItsOwnMail)
{
    GuestRecord guest = guestWith(u"山田"_s, u"花子"_s, &GuestRecord::third, &GuestRecord::mail3);
    guest.address = u"hanako@example.jp   "_s;
    guest.keisyou = u"様  "_s;
    const QList<GuestRecord> guests{makeGuest(u"他"_s), guest};

    EXPECT_EQ(dueNames(guests, kToday), QStringList{u"山田花子"_s});
    const auto mail = prepareDueMail(guests, u"山田花子"_s, kToday, settings());
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->step, 3);
    EXPECT_EQ(mail->subject, u"subject-third"_s);
    EXPECT_EQ(mail->textFile, u"/t/third.txt"_s);
    EXPECT_EQ(mail->address, u"hanako@example.jp"_s);
    EXPECT_EQ(mail->honorific, u"様"_s);
    EXPECT_EQ(mail->familyName, u"山田"_s);
}

TEST(DueScan, RepeatSwitchSendsTheRepeatMailOnAStepDate)
{
    GuestRecord guest = guestWith(u"佐藤"_s, u"一郎"_s, &GuestRecord::third, nullptr);
    guest.repeat = 1;
    EXPECT_EQ(dueNames({guest}, kToday), QStringList{u"佐藤一郎"_s});
    const auto mail = prepareDueMail({guest}, u"佐藤一郎"_s, kToday, settings());
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->step, 0);
    EXPECT_EQ(mail->subject, u"subject-repeat"_s);
    EXPECT_EQ(mail->textFile, u"/t/repeat.txt"_s);
}

TEST(DueScan, StoppedGuestIsNeverListed)
{
    GuestRecord guest = guestWith(u"停止"_s, u"者"_s, &GuestRecord::fast, &GuestRecord::mail1);
    guest.repeat = 1;
    guest.soushin = u"停止済"_s;
    EXPECT_TRUE(dueNames({guest}, kToday).isEmpty());
}

TEST(DueScan, TwiceDueGuestIsListedTwiceAndPreparedTheEarlierStep)
{
    GuestRecord guest = guestWith(u"二重"_s, u"様"_s, &GuestRecord::second, &GuestRecord::mail2);
    guest.seventh = kToday;
    guest.mail7 = 1;
    EXPECT_EQ(dueNames({guest}, kToday), (QStringList{u"二重様"_s, u"二重様"_s}));
    EXPECT_EQ(prepareDueMail({guest}, u"二重様"_s, kToday, settings())->step, 2);
}

TEST(DueScan, PreparationLooksAtDatesOnly)
{
    // Steps 1 and 2 dated today, only switch 2 on: listed for step 2, prepared step 1.
    GuestRecord guest = guestWith(u"日付"_s, u"だけ"_s, &GuestRecord::second, &GuestRecord::mail2);
    guest.fast = kToday;
    EXPECT_EQ(dueNames({guest}, kToday), QStringList{u"日付だけ"_s});
    EXPECT_EQ(prepareDueMail({guest}, u"日付だけ"_s, kToday, settings())->subject, u"subject-first"_s);
}

TEST(DueScan, NothingPreparedForAnUnknownNameOrAGuestNotDatedToday)
{
    GuestRecord guest = guestWith(u"山田"_s, u"花子"_s, &GuestRecord::fast, &GuestRecord::mail1);
    EXPECT_FALSE(prepareDueMail({guest}, u"山田太郎"_s, kToday, settings()));
    EXPECT_FALSE(prepareDueMail({guest}, u"山田花子"_s, u"2026/12/09"_s, settings()));
}

TEST(DueScan, SameDisplayNameFindsTheFirstRecord)
{
    GuestRecord first = guestWith(u"同名"_s, QString(), &GuestRecord::fast, &GuestRecord::mail1);
    first.address = u"first@example.jp"_s;
    GuestRecord second = first;
    second.address = u"second@example.jp"_s;
    EXPECT_EQ(findGuestByDisplayName({first, second}, u"同名"_s)->address, u"first@example.jp"_s);
    EXPECT_EQ(prepareDueMail({first, second}, u"同名"_s, kToday, settings())->address,
              u"first@example.jp"_s);
}

TEST(DueScan, FileScanStopsWhereTheBirthdayIsEmptyAndPreparesFromTheFile)
{
    TestHome home;
    const QString list = home.path(u"guestlst.lst"_s);
    GuestRecord one = guestWith(u"一"_s, u"番"_s, &GuestRecord::fast, &GuestRecord::mail1);
    one.address = u"one@example.jp"_s;
    one.keisyou = u"殿"_s;
    const GuestRecord three = guestWith(u"三"_s, u"番"_s, &GuestRecord::fast, &GuestRecord::mail1);
    writeBytes(list, encodeGuestRecord(one) + QByteArray(kRecordSize, '\0') + encodeGuestRecord(three));

    const QDate today(2026, 12, 8);
    EXPECT_EQ(scanDueGuests(list, today).value(), QStringList{u"一番"_s});
    const auto mail = prepareDueMailFromList(list, u"一番"_s, today, settings()).value();
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->address, u"one@example.jp"_s);  // padded on disk, trimmed here
    EXPECT_EQ(mail->honorific, u"殿"_s);
    EXPECT_EQ(mail->familyName, u"一"_s);
    EXPECT_EQ(mail->displayName, u"一番"_s);
}

TEST(DueScan, EmptyListFindsNothing)
{
    TestHome home;
    writeBytes(home.path(u"empty.lst"_s), QByteArray(kRecordSize, '\0'));
    EXPECT_TRUE(scanDueGuests(home.path(u"empty.lst"_s), QDate(2026, 12, 8)).value().isEmpty());
}

TEST(ListSearch, ListsDeliveringGuestsUpToTheFirstNamelessRecord)
{
    GuestRecord stopped = makeGuest(u"停止"_s, u"中"_s);
    stopped.soushin = u"停止済"_s;
    const QList<GuestRecord> guests{makeGuest(u"一"_s), stopped, makeGuest(u"三"_s),
                                    makeGuest(QString()), makeGuest(u"五"_s)};
    EXPECT_EQ(deliveringNames(guests), (QStringList{u"一"_s, u"三"_s}));
}

TEST(ListSearch, ReadsTheFileAfresh)
{
    TestHome home;
    const QString list = home.path(u"g.lst"_s);
    writeList(list, {makeGuest(u"一"_s, u"郎"_s)});
    EXPECT_EQ(searchDeliveringGuests(list).value(), QStringList{u"一郎"_s});
    writeList(list, {makeGuest(u"一"_s, u"郎"_s), makeGuest(u"二"_s, u"郎"_s)});
    EXPECT_EQ(searchDeliveringGuests(list).value(), (QStringList{u"一郎"_s, u"二郎"_s}));
}

TEST(ScrambleList, StopsAtTheFirstGuestNotDelivering)
{
    TestHome home;
    const QString list = home.path(u"g.lst"_s);
    GuestRecord stopped = makeGuest(u"三"_s);
    stopped.soushin = u"停止済"_s;
    writeList(list, {makeGuest(u"一"_s), makeGuest(u"二"_s), stopped, makeGuest(u"四"_s)});

    const QList<GuestRecord> guests = readScrambleGuests(list).value();
    ASSERT_EQ(guests.size(), 2);
    EXPECT_EQ(displayName(guests[0]), u"一"_s);
    EXPECT_EQ(displayName(guests[1]), u"二"_s);
}

TEST(ScrambleList, StopsAfterARecordWithoutFamilyName)
{
    const QList<GuestRecord> guests{makeGuest(u"一"_s), makeGuest(QString(), u"名だけ"_s),
                                    makeGuest(u"三"_s)};
    EXPECT_EQ(scrambleNames(guests), (QStringList{u"一"_s, u"名だけ"_s}));
    EXPECT_EQ(scrambleNames({makeGuest(QString()), makeGuest(u"二"_s)}), QStringList{});
}
