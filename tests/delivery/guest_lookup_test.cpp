// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/guest_lookup.h"
#include "lists/guest_record.h"

#include "test_support.h"

#include <gtest/gtest.h>

namespace {

const QString kToday = u"2026/12/08"_s;
const QDate kDay(2026, 12, 8);

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

    const QList<DueEntry> due = dueEntries(guests, kDay);
    ASSERT_EQ(due, (QList<DueEntry>{{2, 3, u"山田花子"_s, kDay}}));
    const auto mail = prepareDueMail(guests, due[0], settings());
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->step, 3);
    EXPECT_EQ(mail->subject, u"subject-third"_s);
    EXPECT_EQ(mail->textFile, u"/t/third.txt"_s);
    EXPECT_EQ(mail->guest.address, guest.address);
}

TEST(DueScan, RepeatSwitchListsTheRepeatMailOnceHoweverManyDatesAreToday)
{
    GuestRecord guest = guestWith(u"佐藤"_s, u"一郎"_s, &GuestRecord::third, nullptr);
    guest.fast = kToday;
    guest.seventh = kToday;
    guest.repeat = 1;
    const QList<DueEntry> due = dueEntries({guest}, kDay);
    ASSERT_EQ(due, (QList<DueEntry>{{1, 0, u"佐藤一郎"_s, kDay}}));
    const auto mail = prepareDueMail({guest}, due[0], settings());
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->step, 0);
    EXPECT_EQ(mail->subject, u"subject-repeat"_s);
    EXPECT_EQ(mail->textFile, u"/t/repeat.txt"_s);
    // A step line for a repeat guest is not due: only the repeat mail goes.
    EXPECT_FALSE(prepareDueMail({guest}, {1, 3, u"佐藤一郎"_s, kDay}, settings()));
}

TEST(DueScan, TwoStepsDueListTwoLinesEachWithItsOwnMail)
{
    GuestRecord guest = guestWith(u"二重"_s, u"様"_s, &GuestRecord::second, &GuestRecord::mail2);
    guest.seventh = kToday;
    guest.mail7 = 1;
    const QList<DueEntry> due = dueEntries({guest}, kDay);
    ASSERT_EQ(due, (QList<DueEntry>{{1, 2, u"二重様"_s, kDay}, {1, 7, u"二重様"_s, kDay}}));
    EXPECT_EQ(prepareDueMail({guest}, due[0], settings())->subject, u"subject-second"_s);
    EXPECT_EQ(prepareDueMail({guest}, due[1], settings())->subject, u"subject-final"_s);
}

TEST(DueScan, AStepDatedTodayWithItsSwitchOffSendsNothing)
{
    GuestRecord guest = guestWith(u"日付"_s, u"だけ"_s, &GuestRecord::second, &GuestRecord::mail2);
    guest.fast = kToday;
    const QList<DueEntry> due = dueEntries({guest}, kDay);
    ASSERT_EQ(due, (QList<DueEntry>{{1, 2, u"日付だけ"_s, kDay}}));
    EXPECT_EQ(prepareDueMail({guest}, due[0], settings())->subject, u"subject-second"_s);
    EXPECT_FALSE(prepareDueMail({guest}, {1, 1, u"日付だけ"_s, kDay}, settings()));
}

TEST(DueScan, NothingPreparedWhenTheLineNoLongerMatchesTheList)
{
    GuestRecord guest = guestWith(u"山田"_s, u"花子"_s, &GuestRecord::fast, &GuestRecord::mail1);
    const DueEntry line{1, 1, u"山田花子"_s, kDay};
    EXPECT_TRUE(prepareDueMail({guest}, line, settings()));
    EXPECT_FALSE(prepareDueMail({guest}, {1, 1, u"山田花子"_s, kDay.addDays(1)}, settings()));
    EXPECT_FALSE(prepareDueMail({guest}, {1, 1, u"山田太郎"_s, kDay}, settings()));
    EXPECT_FALSE(prepareDueMail({guest}, {2, 1, u"山田花子"_s, kDay}, settings()));
    EXPECT_FALSE(prepareDueMail({guest}, {0, 1, u"山田花子"_s, kDay}, settings()));
    EXPECT_FALSE(prepareDueMail({guest}, {1, std::nullopt, u"山田花子"_s, kDay}, settings()));
}

TEST(DueScan, SameDisplayNameReachesEachRecordByItsNumber)
{
    GuestRecord first = guestWith(u"同名"_s, QString(), &GuestRecord::fast, &GuestRecord::mail1);
    first.address = u"first@example.jp"_s;
    GuestRecord second = first;
    second.address = u"second@example.jp"_s;
    const QList<DueEntry> due = dueEntries({first, second}, kDay);
    ASSERT_EQ(due.size(), 2);
    EXPECT_EQ(prepareDueMail({first, second}, due[0], settings())->guest.address,
              u"first@example.jp"_s);
    EXPECT_EQ(prepareDueMail({first, second}, due[1], settings())->guest.address,
              u"second@example.jp"_s);
    EXPECT_EQ(guestFor({first, second}, {2, std::nullopt, u"同名"_s})->address, u"second@example.jp"_s);
}

TEST(DueScan, FileScanStopsWhereTheBirthdayIsEmpty)
{
    TestHome home;
    const QString list = home.path(u"guestlst.lst"_s);
    GuestRecord one = guestWith(u"一"_s, u"番"_s, &GuestRecord::fast, &GuestRecord::mail1);
    one.address = u"one@example.jp"_s;
    one.keisyou = u"殿"_s;
    const GuestRecord three = guestWith(u"三"_s, u"番"_s, &GuestRecord::fast, &GuestRecord::mail1);
    writeBytes(list, encodeGuestRecord(one) + QByteArray(kRecordSize, '\0') + encodeGuestRecord(three));

    const QDate today(2026, 12, 8);
    const QList<DueEntry> due = scanDueGuests(list, today).value();
    ASSERT_EQ(due, (QList<DueEntry>{{1, 1, u"一番"_s, kDay}}));
}

TEST(DueScan, EmptyListFindsNothing)
{
    TestHome home;
    writeBytes(home.path(u"empty.lst"_s), QByteArray(kRecordSize, '\0'));
    EXPECT_TRUE(scanDueGuests(home.path(u"empty.lst"_s), QDate(2026, 12, 8)).value().isEmpty());
}

TEST(ListSearch, ListsDeliveringGuestsWithTheirRecordNumbersUpToTheFirstNamelessRecord)
{
    GuestRecord stopped = makeGuest(u"停止"_s, u"中"_s);
    stopped.soushin = u"停止済"_s;
    const QList<GuestRecord> guests{makeGuest(u"一"_s), stopped, makeGuest(u"三"_s),
                                    makeGuest(QString()), makeGuest(u"五"_s)};
    EXPECT_EQ(deliveringEntries(guests),
              (QList<DueEntry>{{1, std::nullopt, u"一"_s}, {3, std::nullopt, u"三"_s}}));
    EXPECT_EQ(searchedGuestCount(guests), 3);
    EXPECT_EQ(searchedGuestCount({makeGuest(u"一"_s), makeGuest(u"二"_s)}), 2);
    EXPECT_EQ(searchedGuestCount({}), 0);
}

TEST(ScrambleList, EveryDeliveringGuestButTheStoppedOnes)
{
    TestHome home;
    const QString list = home.path(u"g.lst"_s);
    GuestRecord stopped = makeGuest(u"三"_s);
    stopped.soushin = u"停止済"_s;
    writeList(list, {makeGuest(u"一"_s), makeGuest(u"二"_s), stopped, makeGuest(u"四"_s),
                     makeGuest(u"五"_s)});

    const QList<DueEntry> entries = scrambleEntries(readSendingList(list).value());
    QList<int> records;
    for (const DueEntry& entry : entries)
        records.append(entry.recordNumber);
    EXPECT_EQ(records, (QList<int>{1, 2, 4, 5}));
    EXPECT_EQ(entries[2].displayName, u"四"_s);
}

TEST(ScrambleList, NamelessRecordsAreLeftOutButDoNotEndTheList)
{
    const QList<GuestRecord> guests{makeGuest(u"一"_s), makeGuest(QString(), u"名だけ"_s),
                                    makeGuest(QString()), makeGuest(u"四"_s)};
    EXPECT_EQ(scrambleEntries(guests),
              (QList<DueEntry>{{1, std::nullopt, u"一"_s}, {2, std::nullopt, u"名だけ"_s},
                               {4, std::nullopt, u"四"_s}}));
}
