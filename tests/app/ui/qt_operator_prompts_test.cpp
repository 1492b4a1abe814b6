// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt_operator_prompts.h"
#include "common/program_dir.h"

#include "test_support.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>
#include <gtest/gtest.h>

// Qt's file dialog remembers where it was in its own settings file.
TEST(QtOperatorPrompts, FileDialogHistoryStaysInTheProgramFolder)
{
    TestHome home;
    const QFileInfo desktopWide(QStandardPaths::writableLocation(QStandardPaths::ConfigLocation) + u"/QtProject.conf"_s);
    const QDateTime before = desktopWide.lastModified();
    ASSERT_TRUE(prepareProgramDir(home.root()));

    QTimer::singleShot(0, [] { qobject_cast<QDialog*>(QApplication::activeModalWidget())->reject(); });
    QtOperatorPrompts().openFile(home.path(u"text"_s), u"*.txt"_s, u"*.txt"_s);

    EXPECT_TRUE(QFileInfo::exists(home.path(u"QtProject.conf"_s)));
    EXPECT_EQ(QFileInfo(desktopWide.filePath()).lastModified(), before);
}
