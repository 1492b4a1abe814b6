// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange/ui/exchange_commands.h"

#include "lists/list_file.h"

#include "test_support.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

struct CommandsFixture {
    TestHome home;
    ScriptedPrompts prompts;
    ProgramDir dir{home.root()};
    ExchangeCommands commands{dir, prompts};
    QString list = home.path(u"guestlst.lst"_s);
    QString csv = dir.exchangeCsv();

    // The operator's Quolda.csv imported over a list of five guests; the
    // list must come out byte for byte as it was. The message shown.
    QString refusal(const QByteArray& csvBytes)
    {
        writeList(list, {makeGuest(u"山田"_s), makeGuest(u"鈴木"_s), makeGuest(u"田中"_s), makeGuest(u"佐藤"_s),
                         makeGuest(u"後藤"_s)});
        const QByteArray old = readBytes(list);
        writeBytes(csv, csvBytes);
        prompts.asked.clear();
        prompts.answers = {PromptAnswer::Ok};
        EXPECT_EQ(commands.ImportCsv(list), std::nullopt);
        EXPECT_EQ(readBytes(list), old);
        if (prompts.asked.size() != 2) {
            ADD_FAILURE() << "no refusal shown";
            return {};
        }
        EXPECT_EQ(prompts.asked[1].title, u"　インポートエラー　Quolda"_s);
        return prompts.asked[1].text;
    }
};

// A guest line as a spreadsheet writes it: number, family name, given name,
// then date cells 4..21 (birth date in column 5, steps in 15..21), no switches.
QString guestLine(int number, const QString& family, const QString& given = {}, const QString& firstStep = {})
{
    QStringList cells{QString::number(number), family, given};
    while (cells.size() < 14)
        cells.append(QString());
    cells.append(firstStep);
    return cells.join(u',') + u"\r\n"_s;
}

const QString kTitles = u"番号,名字,名前\r\n"_s;

} // namespace

TEST(ExchangeCommands, ExportAsksThenWrites)
{
    CommandsFixture f;
    writeList(f.list, {makeGuest(u"A"_s)});
    f.commands.ExportCsv(f.list);
    ASSERT_EQ(f.prompts.asked.size(), 1);
    EXPECT_EQ(f.prompts.asked[0].title, u"　拡張CSVエクスポート　Quolda"_s);
    EXPECT_EQ(f.prompts.asked[0].text, f.dir.root() + u"/ に\n既に \"Quolda.csv\" が存在する場合は上書きします。\n"
                                                      u"よろしいですか？"_s);
    EXPECT_EQ(f.prompts.asked[0].icon, PromptIcon::Warning);
    EXPECT_EQ(f.prompts.asked[0].buttons, PromptButtons::OkCancel);
    EXPECT_TRUE(readBytes(f.csv).startsWith("\"\x94\xd4\x8d\x86\""));
    EXPECT_TRUE(readBytes(f.csv).endsWith("\"0\"\r\n"));
}

TEST(ExchangeCommands, CancelledExportLeavesTheOldFile)
{
    CommandsFixture f;
    writeList(f.list, {makeGuest(u"A"_s)});
    writeBytes(f.csv, "old");
    f.prompts.answers = {PromptAnswer::Cancel};
    f.commands.ExportCsv(f.list);
    EXPECT_EQ(readBytes(f.csv), QByteArray("old"));
    EXPECT_EQ(f.prompts.asked.size(), 1);
}

TEST(ExchangeCommands, FailedExportIsShownAndKeepsTheOldFile)
{
    CommandsFixture f;
    QDir(f.home.root()).mkdir(u"guestlst.lst"_s);
    writeBytes(f.csv, "old");
    f.commands.ExportCsv(f.list);
    ASSERT_EQ(f.prompts.asked.size(), 2);
    EXPECT_EQ(f.prompts.asked[1].title, u"　エクスポートエラー　Quolda"_s);
    EXPECT_TRUE(f.prompts.asked[1].text.contains(u"guestlst.lst"_s));
    EXPECT_EQ(readBytes(f.csv), QByteArray("old"));
}

TEST(ExchangeCommands, CancelledImportWritesNothing)
{
    CommandsFixture f;
    writeList(f.list, {makeGuest(u"A"_s)});
    const QByteArray old = readBytes(f.list);
    writeBytes(f.csv, "番号,名字\r\n1,B\r\n"_ba);
    f.prompts.answers = {PromptAnswer::Cancel};
    EXPECT_EQ(f.commands.ImportCsv(f.list), std::nullopt);
    ASSERT_EQ(f.prompts.asked.size(), 1);
    EXPECT_EQ(f.prompts.asked[0].title, u"　拡張CSVインポート　Quolda"_s);
    EXPECT_EQ(f.prompts.asked[0].text,
              f.dir.root() + u"/Quolda.csv から\n名簿をインポートします。\nよろしいですか？"_s);
    EXPECT_EQ(f.prompts.asked[0].buttons, PromptButtons::OkCancel);
    EXPECT_EQ(readBytes(f.list), old);
}

TEST(ExchangeCommands, ImportReturnsTheCountOfGuestLines)
{
    CommandsFixture f;
    writeList(f.list, {makeGuest(u"A"_s), makeGuest(u"B"_s), makeGuest(u"C"_s)});
    writeBytes(f.csv, "番号,名字\r\n1,X\r\n2,Y\r\n"_ba);
    EXPECT_EQ(f.commands.ImportCsv(f.list), 2);
    EXPECT_EQ(f.prompts.asked.size(), 1);
    const auto guests = readGuestList(f.list, EndTest::BlankProbe).value();
    ASSERT_EQ(guests.size(), 3);
    EXPECT_EQ(guests[1].fName, u"Y       "_s);
    EXPECT_EQ(guests[2].fName, u"C       "_s);
}

TEST(ExchangeCommands, MissingFileShowsTheImportErrorMessage)
{
    CommandsFixture f;
    writeList(f.list, {makeGuest(u"A"_s)});
    EXPECT_EQ(f.commands.ImportCsv(f.list), std::nullopt);
    ASSERT_EQ(f.prompts.asked.size(), 2);
    EXPECT_EQ(f.prompts.asked[1].title, u"　インポートエラー　Quolda"_s);
    EXPECT_EQ(f.prompts.asked[1].text, f.dir.root() + u"/Quolda.csv が\n見つかりません。\nインポートを中止します"_s);
    EXPECT_EQ(f.prompts.asked[1].icon, PromptIcon::Warning);
    EXPECT_EQ(f.prompts.asked[1].buttons, PromptButtons::Ok);
    EXPECT_EQ(readBytes(f.list), encodeGuestRecord(makeGuest(u"A"_s)));
}

TEST(ExchangeCommands, BadValueShowsLineAndColumnAndWritesNothing)
{
    CommandsFixture f;
    writeList(f.list, {makeGuest(u"A"_s)});
    const QByteArray old = readBytes(f.list);
    writeBytes(f.csv, "t\r\n1,B,,,,,,,,,,,,,,,,,,,,x\r\n"_ba);
    EXPECT_EQ(f.commands.ImportCsv(f.list), std::nullopt);
    ASSERT_EQ(f.prompts.asked.size(), 2);
    EXPECT_TRUE(f.prompts.asked[1].text.contains(u"2 行目 22 列目"_s)) << f.prompts.asked[1].text.toStdString();
    EXPECT_EQ(readBytes(f.list), old);
}

TEST(ExchangeCommands, QuoteLeftOpenInAMiddleLineIsRefusedNamingLineAndColumn)
{
    CommandsFixture f;
    const QString text = u"\"番号\",\"名字\"\r\n\"1\",\"山田\"\r\n\"2\",\"鈴木\"\r\n"
                         u"\"3\",\"open cell,\r\n\"4\",\"佐藤\",\"sato@e\"\r\n\"5\",\"後藤\"\r\n"_s;
    const QString message = f.refusal(text.toUtf8());
    EXPECT_TRUE(message.contains(u"4 行目 2 列目の引用符"_s)) << message.toStdString();
}

TEST(ExchangeCommands, FileNotSeparatedByCommasIsRefused)
{
    CommandsFixture f;
    const QString tabs = u"番号\t名字\r\n1\t山田\r\n2\t鈴木\r\n"_s;
    const QString semicolons = u"\"番号\";\"名字\"\r\n\"1\";\"山田\"\r\n"_s;
    // A tab-separated guest line whose address holds a comma still splits there.
    const QString tabsAndComma = u"番号\t名字\r\n1\t山田\t東京都,千代田区\r\n"_s;
    for (const QString& text : {tabs, semicolons, tabsAndComma}) {
        const QString message = f.refusal(text.toUtf8());
        EXPECT_TRUE(message.contains(u"区切り文字がコンマではありません"_s)) << message.toStdString();
    }
}

TEST(ExchangeCommands, MoreGuestLinesThanRecordNumbersAreRefused)
{
    CommandsFixture f;
    QString text = kTitles;
    for (int n = 1; n <= 32768; ++n)
        text += u"%1,A\r\n"_s.arg(n);
    const QString message = f.refusal(text.toUtf8());
    EXPECT_TRUE(message.contains(u"32768"_s) && message.contains(u"32767"_s)) << message.toStdString();
}

TEST(ExchangeCommands, DateASpreadsheetRewroteIsRefusedNamingLineAndColumn)
{
    CommandsFixture f;
    const QString text = kTitles + guestLine(1, u"山田"_s, {}, u"2026/01/05"_s) + guestLine(2, u"鈴木"_s, {}, u"Jan 05"_s);
    const QString message = f.refusal(text.toUtf8());
    EXPECT_TRUE(message.contains(u"3 行目 15 列目"_s) && message.contains(u"Jan 05"_s)) << message.toStdString();
}

TEST(ExchangeCommands, DatesWithoutZeroPaddingAreStoredZeroPadded)
{
    CommandsFixture f;
    QString line = guestLine(1, u"山田"_s, {}, u"2026/1/5"_s);
    line.replace(u"山田,,,"_s, u"山田,,,1970/2/3"_s);
    writeBytes(f.csv, (kTitles + line).toUtf8());
    ASSERT_EQ(f.commands.ImportCsv(f.list), 1);
    const QByteArray record = readBytes(f.list);
    EXPECT_EQ(record.mid(36, 20), QByteArray("1970/02/032026/01/05"));
}

TEST(ExchangeCommands, CharactersCodePage932CannotHoldAreRefusedNamingLineAndColumn)
{
    CommandsFixture f;
    const QString ougai = kTitles + guestLine(1, u"森"_s, u"鷗外"_s);
    const QString yoshida = kTitles + guestLine(1, u"山田"_s) + guestLine(2, u"𠮷田"_s);
    QString message = f.refusal(ougai.toUtf8());
    EXPECT_TRUE(message.contains(u"2 行目 3 列目"_s) && message.contains(u"「鷗」"_s)) << message.toStdString();
    message = f.refusal(yoshida.toUtf8());
    EXPECT_TRUE(message.contains(u"3 行目 2 列目"_s) && message.contains(u"「𠮷」"_s)) << message.toStdString();
}
