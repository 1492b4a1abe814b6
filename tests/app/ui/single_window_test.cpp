// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/single_window.h"

#include "test_support.h"

#include <QSysInfo>
#include <QProcess>
#include <QSignalSpy>

#include <memory>
#include <gtest/gtest.h>

// A second start on the same folder brings the first window forward and opens
// none; another folder is not held back; a lock of a process gone never blocks.
TEST(SingleWindow, ASecondStartOnTheFolderRaisesTheFirstAndAStaleLockNeverBlocks)
{
    TestHome home;
    TestHome other;
    auto first = std::make_unique<SingleWindow>(home.root());
    ASSERT_TRUE(first->claim());
    QSignalSpy raised(first.get(), &SingleWindow::raiseRequested);
    SingleWindow second(home.root());
    EXPECT_FALSE(second.claim());
    EXPECT_TRUE(waitUntil([&] { return raised.count() == 1; }));
    EXPECT_TRUE(SingleWindow(other.root()).claim());

    first.reset();
    writeBytes(home.path(u"window.lock"_s), "999999\nladderpost\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    EXPECT_TRUE(SingleWindow(home.root()).claim());
}

// As the operator meets it: the program started again on an open folder ends at
// once, leaving the first window running.
TEST(SingleWindow, TheProgramStartedTwiceOnOneFolderEndsTheSecond)
{
    TestHome home;
    QProcess window;
    window.start(QStringLiteral(LADDERPOST_EXE), {u"--home"_s, home.root()});
    ASSERT_TRUE(window.waitForStarted());
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(home.path(u"window.lock"_s)); }));
    QProcess again;
    again.start(QStringLiteral(LADDERPOST_EXE), {u"--home"_s, home.root()});
    EXPECT_TRUE(again.waitForFinished(10000));
    EXPECT_EQ(again.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(again.exitCode(), 0);
    EXPECT_EQ(window.state(), QProcess::Running);
    window.kill();
    window.waitForFinished();
}
