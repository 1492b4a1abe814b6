// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/run_report.h"

#include "common/cp932.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

namespace {

const QDateTime kWhen(QDate(2005, 2, 9), QTime(9, 30, 5));

LineOutcome outcome(const QString& name, const QString& address, int step, MailState state, const QString& reason)
{
    return {{1, step, name, QDate(2005, 2, 9)}, state, address, reason};
}

} // namespace

// What the operator pastes into a spreadsheet to call the guests: every line
// names the address, and a mail done before this run is not reported again.
TEST(RunReport, EveryRowNamesTheGuestsAddressAndWhatBecameOfTheMail)
{
    LineOutcome late = outcome(u"佐藤一郎"_s, u"ichiro@example.jp"_s, 1, MailState::Sent, u"250"_s);
    late.late = true;
    LineOutcome deferred = outcome(u"田中三郎"_s, u"saburo@example.jp"_s, 0, MailState::Deferred, u"451 greylisted"_s);
    deferred.nextTry = kWhen.addSecs(300);
    LineOutcome earlier = outcome(u"鈴木次郎"_s, u"jiro@example.jp"_s, 7, MailState::Refused, u"550"_s);
    earlier.earlier = true;
    const RunSummary summary{{outcome(u"山田花子"_s, u"hanako@example.jp"_s, 3, MailState::Refused, u"550 unknown user"_s),
                              late, deferred, earlier,
                              outcome(u"高橋四郎"_s, u"shiro@example.jp"_s, 2, MailState::Due, {}),
                              outcome(u"伊藤五郎"_s, u"goro@example.jp"_s, 2, MailState::Sent, u"250"_s)},
                             std::nullopt, true};

    EXPECT_EQ(runReportText(summary, kWhen),
              u"送信結果　2005/02/09 9:30:05\n"
              u"送信を中止しました。\n"
              u"名前\tメールアドレス\tステップ\t結果\n"
              u"山田花子\thanako@example.jp\t３回目\t拒否: 550 unknown user\n"
              u"佐藤一郎\tichiro@example.jp\t初回\t送信済み（2005/02/09 分を遅れて送信）\n"
              u"田中三郎\tsaburo@example.jp\t繰り返し\t再送予定（2005/02/09 9:35 に再送）: 451 greylisted\n"
              u"高橋四郎\tshiro@example.jp\t２回目\t未送信（送信リストに残っています）\n"_s);
}

// Two runs within one second keep both reports, in code page 932 with CRLF.
TEST(RunReport, SavedBesideAnEarlierReportOfTheSameSecondNeverOverIt)
{
    TestHome home;
    const QString folder = home.path(u"report"_s);
    const auto first = saveRunReport(folder, u"一件目\n"_s, kWhen);
    const auto second = saveRunReport(folder, u"二件目\n"_s, kWhen);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(QFileInfo(*first).fileName(), u"送信結果_20050209_093005.txt"_s);
    EXPECT_EQ(QFileInfo(*second).fileName(), u"送信結果_20050209_093005_2.txt"_s);
    EXPECT_EQ(readBytes(*first), toCp932(u"一件目\r\n"_s));
    EXPECT_EQ(readBytes(*second), toCp932(u"二件目\r\n"_s));
}

// The window shows what the timer's runs reported while it was closed, each once;
// the first start after installing has missed nothing.
TEST(RunReport, ReportsSavedWhileTheWindowWasClosedAreShownOnce)
{
    TestHome home;
    const QString folder = home.path(u"report"_s);
    ASSERT_TRUE(saveRunReport(folder, u"前からの報告\n"_s, kWhen));
    EXPECT_TRUE(takeUnseenReports(home.root(), folder).isEmpty());

    QThread::msleep(20); // the file system's clock must pass the moment the window looked
    const auto saved = saveRunReport(folder, u"夜の送信\n"_s, kWhen.addDays(1));
    ASSERT_TRUE(saved);
    const QList<SavedReport> unseen = takeUnseenReports(home.root(), folder);
    ASSERT_EQ(unseen.size(), 1);
    EXPECT_EQ(unseen[0].path, *saved);
    EXPECT_EQ(unseen[0].text, u"夜の送信\n"_s);
    EXPECT_TRUE(takeUnseenReports(home.root(), folder).isEmpty());
}
