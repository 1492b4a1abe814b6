// SPDX-License-Identifier: GPL-3.0-or-later
#include "lists/schedule.h"

#include "test_support.h"

#include <gtest/gtest.h>

namespace {

const QString kToday = u"2024/05/01"_s;

GuestRecord guestWithDates()
{
    GuestRecord guest = makeGuest(u"山田"_s, u"花子"_s);
    for (QString* date : {&guest.fast, &guest.second, &guest.third, &guest.fourth, &guest.fifth,
                          &guest.sixth, &guest.seventh})
        *date = QString(10, u' ');
    return guest;
}

} // namespace

TEST(DueTest, StepIsDueOnlyWithItsOwnSwitchOrRepeat)
{
    GuestRecord guest = guestWithDates();
    guest.second = kToday;
    EXPECT_TRUE(dueSteps(guest, kToday).isEmpty());
    guest.mail2 = 1;
    EXPECT_EQ(dueSteps(guest, kToday), QList<int>{2});
    guest.mail2 = 0;
    guest.repeat = 1;
    EXPECT_EQ(dueSteps(guest, kToday), QList<int>{2});
}

TEST(DueTest, StoppedGuestIsNeverDue)
{
    GuestRecord guest = guestWithDates();
    guest.fast = kToday;
    guest.mail1 = 1;
    guest.soushin = u"停止済"_s;
    EXPECT_TRUE(dueSteps(guest, kToday).isEmpty());
    guest.soushin = u"-選択-"_s;
    EXPECT_TRUE(dueSteps(guest, kToday).isEmpty());
}

TEST(DueTest, TwoDatesTodayAreDueTwice)
{
    GuestRecord guest = guestWithDates();
    guest.fast = guest.seventh = kToday;
    guest.mail1 = guest.mail7 = 1;
    EXPECT_EQ(dueSteps(guest, kToday), (QList<int>{1, 7}));
}

TEST(DueTest, ADateTodayWithoutItsSwitchIsNotDue)
{
    GuestRecord guest = guestWithDates();
    guest.fast = guest.second = kToday;
    guest.mail2 = 1;
    EXPECT_EQ(dueSteps(guest, kToday), QList<int>{2});
}

TEST(DueTest, BlankOrUnpaddedDatesNeverMatch)
{
    GuestRecord guest = guestWithDates();
    guest.repeat = 1;
    EXPECT_TRUE(dueSteps(guest, kToday).isEmpty());
    guest.third = u"2024/5/1  "_s;
    EXPECT_TRUE(dueSteps(guest, u"2024/5/1"_s).isEmpty());
    EXPECT_TRUE(dueSteps(guest, kToday).isEmpty());
}

TEST(SwitchExclusivity, RepeatClearsStepsAndAStepClearsRepeat)
{
    std::array<bool, kStepCount> boxes{false, true, false, true, false, true, false, false};
    boxes = switchesAfterClick(boxes, 0);
    EXPECT_EQ(boxes, (std::array<bool, kStepCount>{true, false, false, false, false, false, false, false}));
    boxes = switchesAfterClick(boxes, 2);
    EXPECT_EQ(boxes, (std::array<bool, kStepCount>{false, false, true, false, false, false, false, false}));
    boxes = switchesAfterClick(boxes, 2);
    EXPECT_EQ(boxes, (std::array<bool, kStepCount>{}));
    boxes = switchesAfterClick(boxes, 0);
    boxes = switchesAfterClick(boxes, 0);
    EXPECT_EQ(boxes, (std::array<bool, kStepCount>{}));
}
