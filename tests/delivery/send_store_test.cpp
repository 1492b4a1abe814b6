// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/send_store.h"

#include "test_support.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

const QDateTime kNine(QDate(2005, 2, 9), QTime(9, 0));
const std::optional<qint64> kUnread{-1}; // what a record that could not be read gives

MailKey hanakosThird(const QString& list) { return {list, 1, u"hanako@example.jp"_s, 3, QDate(2005, 2, 9)}; }

class SendStoreTest : public ::testing::Test {
protected:
    std::unique_ptr<SendStore> reopened()
    {
        auto opened = SendStore::open(home.root());
        EXPECT_TRUE(opened) << opened.error().message.toStdString();
        return opened ? std::move(*opened) : nullptr;
    }

    TestHome home;
    QString list = home.path(u"guestlst.lst"_s);
};

} // namespace

// The exactly-once rule lives in the file: a second program, or the same one
// after a restart, finds the mail and does not begin it again.
TEST_F(SendStoreTest, AStepMailBegunOnceIsNotBegunAgainUntilItsStateAllowsIt)
{
    const MailKey key = hanakosThird(reopened()->listName(list));
    const auto id = reopened()->beginStep(key, u"山田花子"_s, false, {MailState::Deferred}, kNine);
    ASSERT_TRUE(id && *id);
    ASSERT_TRUE(reopened()->finish(**id, MailState::Deferred, u"451 later"_s, {}, kNine, kNine.addSecs(300)));

    auto store = reopened();
    EXPECT_EQ(store->beginStep(key, u"山田花子"_s, false, {MailState::Uncertain}, kNine.addSecs(400)).value_or(kUnread), std::nullopt);
    const auto again = store->beginStep(key, u"山田花子"_s, false, {MailState::Deferred}, kNine.addSecs(400));
    ASSERT_TRUE(again && *again);
    ASSERT_TRUE(store->finish(**again, MailState::Sent, u"250 ok"_s, u"[1].log"_s, kNine.addSecs(401)));
    EXPECT_EQ(store->beginStep(key, u"山田花子"_s, false, {MailState::Deferred}, kNine.addSecs(500)).value_or(kUnread), std::nullopt);

    const auto history = reopened()->historyOf(key.list, 1);
    ASSERT_TRUE(history);
    ASSERT_EQ(history->size(), 1); // one row per mail, whatever its tries
    EXPECT_EQ(history->at(0).state, MailState::Sent);
    EXPECT_EQ(history->at(0).tries, 2);
    EXPECT_EQ(history->at(0).key.address, u"hanako@example.jp"_s);
}

// A run killed while a mail was with the server leaves it sending: the next
// start calls it uncertain, lists it, and never sends it by itself.
TEST_F(SendStoreTest, AMailLeftSendingBecomesUncertainAndStaysOutOfEveryRetry)
{
    const MailKey key = hanakosThird(reopened()->listName(list));
    ASSERT_TRUE(reopened()->beginStep(key, u"山田花子"_s, false, {}, kNine).value_or(std::nullopt));

    auto store = reopened();
    ASSERT_TRUE(store->settleInterrupted(kNine.addSecs(60)));
    const auto uncertain = store->uncertain(key.list);
    ASSERT_TRUE(uncertain);
    ASSERT_EQ(uncertain->size(), 1);
    EXPECT_EQ(uncertain->at(0).name, u"山田花子"_s);
    EXPECT_TRUE(store->deferredBy(key.list, kNine.addDays(1))->isEmpty());
    EXPECT_EQ(store->beginStep(key, u"山田花子"_s, false, {MailState::Deferred}, kNine.addSecs(120)).value_or(kUnread), std::nullopt);
}

TEST_F(SendStoreTest, ADeferredMailIsGivenUpOnlyWhenFirstTriedBeforeTheCutoff)
{
    auto store = reopened();
    const QString name = store->listName(list);
    MailKey early = hanakosThird(name);
    MailKey later = early;
    later.record = 2;
    later.address = u"ichiro@example.jp"_s;
    for (const auto& [key, when] : {std::pair{early, kNine}, std::pair{later, kNine.addDays(2)}}) {
        const auto id = store->beginStep(key, u"客"_s, false, {}, when);
        ASSERT_TRUE(store->finish(**id, MailState::Deferred, u"451"_s, {}, when, when.addSecs(300)));
    }

    const auto given = store->giveUpDeferred(name, kNine.addDays(1), kNine.addDays(3));
    ASSERT_TRUE(given);
    ASSERT_EQ(given->size(), 1);
    EXPECT_EQ(given->at(0).key, early);
    EXPECT_EQ(store->stepMail(early)->value().state, MailState::GivenUp);
    EXPECT_EQ(store->stepMail(later)->value().state, MailState::Deferred);
}

// The record of years of mails is never replaced by an empty one because it
// cannot be read: the operator is told which file, and its bytes stay.
TEST_F(SendStoreTest, AnUnreadableRecordIsNamedAndLeftAsItWas)
{
    const QByteArray garbage("this is not a database, but it is the operator's file\n");
    writeBytes(home.path(SendStore::fileName()), garbage);

    const auto opened = SendStore::open(home.root());

    ASSERT_FALSE(opened);
    EXPECT_TRUE(opened.error().message.contains(SendStore::fileName())) << opened.error().message.toStdString();
    EXPECT_EQ(readBytes(home.path(SendStore::fileName())), garbage);
}

TEST(NextTry, FiveFifteenThirtyMinutesThenHourlyAndNothingAfterTheRetryDays)
{
    const QDateTime first(QDate(2005, 2, 9), QTime(9, 0));
    const QDateTime now = first.addSecs(3600);
    EXPECT_EQ(nextTryAfter(1, first, now, 3), now.addSecs(5 * 60));
    EXPECT_EQ(nextTryAfter(2, first, now, 3), now.addSecs(15 * 60));
    EXPECT_EQ(nextTryAfter(3, first, now, 3), now.addSecs(30 * 60));
    EXPECT_EQ(nextTryAfter(9, first, now, 3), now.addSecs(60 * 60));
    EXPECT_EQ(nextTryAfter(9, first, first.addDays(3).addSecs(-1), 3), first.addDays(3).addSecs(3599));
    EXPECT_EQ(nextTryAfter(9, first, first.addDays(3), 3), std::nullopt);
}
