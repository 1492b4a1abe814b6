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
};

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
