// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/leading_number.h"
#include "printing/print_ini.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

const PrintSettings kDefaults{10, 15, 80, 35, 20, 10, 2, 6, 10};

TEST(PrintIniRead, MissingFileFailsAndGivesDefaults)
{
    TestHome home;
    EXPECT_FALSE(loadPrintSettings(home.path(u"Print.ini"_s)));
    EXPECT_EQ(printSettingsOrDefaults(home.path(u"Print.ini"_s)), kDefaults);
}

TEST(PrintIniRead, ReadsLinesAndCommas)
{
    const PrintSettings expected{12.5f, 8, 70, 42.3f, 5, 0, 3, 7, 12};
    EXPECT_EQ(parsePrintIni("12.5\r\n8\r\n70\r\n42.3\r\n5\r\n0\r\n3\r\n7\r\n12\r\n"), expected);
    EXPECT_EQ(parsePrintIni("12.5,8,70,42.3,5,0,3,7,12"), expected);
    EXPECT_EQ(parsePrintIni("12.5, 8\n70,42.3\r\n5,0\n3\n7\n12\n"), expected);
}

TEST(PrintIniRead, AnyBadValueGivesAllDefaults)
{
    TestHome home;
    const QString path = home.path(u"Print.ini"_s);
    const QByteArray cases[] = {
        "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n",         // eight lines
        "1\r\n2\r\nabc\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n",  // letters
        "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n99999\r\n", // beyond 16 bits
        "1\r\n2\r\n\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n",     // empty line inside
        "1,2,3,4,5,inf,7,8,9",
        "",
    };
    for (const QByteArray& bytes : cases) {
        writeBytes(path, bytes);
        EXPECT_FALSE(loadPrintSettings(path)) << bytes.toStdString();
        EXPECT_EQ(printSettingsOrDefaults(path), kDefaults) << bytes.toStdString();
    }
}

TEST(PrintIniRead, WholeNumbersRoundHalfToEven)
{
    const auto settings = parsePrintIni("1,2,3,4,5,6,2.5,3.5,10.5");
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->across, 2);
    EXPECT_EQ(settings->down, 4);
    EXPECT_EQ(settings->fontSize, 10);
}

TEST(PrintIniWrite, NineLinesInShortestFormWithCrLf)
{
    const PrintSettings settings{10, 12.5f, 80.25f, 0.1f, -3, 1e6f, 0, -2, 12};
    EXPECT_EQ(formatPrintIni(settings),
              QByteArray("10\r\n12.5\r\n80.25\r\n0.1\r\n-3\r\n1000000\r\n0\r\n-2\r\n12\r\n"));
    EXPECT_EQ(formatPrintIni(kDefaults), QByteArray("10\r\n15\r\n80\r\n35\r\n20\r\n10\r\n2\r\n6\r\n10\r\n"));
}

TEST(PrintIniWrite, WrittenFileReadsBackUnchanged)
{
    TestHome home;
    const QString path = home.path(u"Print.ini"_s);
    const PrintSettings settings{3.3f, 12.7f, 86.4f, 42.3f, 0.05f, 7, 3, 8, 11};
    ASSERT_TRUE(savePrintSettings(path, settings));
    EXPECT_EQ(loadPrintSettings(path), settings);
}

TEST(PrintIniWrite, FolderInTheWayIsReportedAndKept)
{
    TestHome home;
    const QString path = home.path(u"Print.ini"_s);
    QDir().mkpath(path);
    const auto written = savePrintSettings(path, PrintSettings{1, 1, 1, 1, 1, 1, 1, 1, 1});
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().message, path + u" に書き込めません。\n同じ名前のフォルダがあります。"_s);
    EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST(PrintSettingsCounts, ZeroAcrossOrDownCountsAsOne)
{
    PrintSettings settings;
    settings.across = 0;
    settings.down = -4;
    EXPECT_EQ(settings.labelsPerSheet(), 1);
    settings.across = 3;
    settings.down = 5;
    EXPECT_EQ(settings.labelsPerSheet(), 15);
}

TEST(LeadingNumber, TakesTheNumberATextBeginsWith)
{
    EXPECT_EQ(leadingNumber(u"12mm"), 12.0);
    EXPECT_EQ(leadingNumber(u"  2.5"), 2.5);
    EXPECT_EQ(leadingNumber(u"-3.25x"), -3.25);
    EXPECT_EQ(leadingNumber(u".5"), 0.5);
    EXPECT_EQ(leadingNumber(u"1e2"), 100.0);
    EXPECT_EQ(leadingNumber(u"abc"), 0.0);
    EXPECT_EQ(leadingNumber(u""), 0.0);
    EXPECT_EQ(leadingNumber(u"mm12"), 0.0);
    EXPECT_EQ(leadingNumber(u"3.x"), 3.0);
    EXPECT_EQ(leadingNumber(u"+5"), 5.0);
    EXPECT_EQ(leadingNumber(u"12 34"), 12.0);
}

TEST(LeadingNumber, RoundsHalfToEvenWithinSixteenBits)
{
    EXPECT_EQ(roundToInt16(2.5), 2);
    EXPECT_EQ(roundToInt16(3.5), 4);
    EXPECT_EQ(roundToInt16(-2.5), -2);
    EXPECT_EQ(roundToInt16(2.6), 3);
    EXPECT_EQ(roundToInt16(1e9), 32767);
    EXPECT_EQ(roundToInt16(-1e9), -32768);
}

} // namespace
