// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel_fixture.h"

#include "common/cp932.h"
#include "delivery/guest_lookup.h"
#include "operator.h"

#include <QTest>

namespace {

void click(Panels& p, const QString& name)
{
    QTest::mouseClick(p.find<QPushButton>(name), Qt::LeftButton);
}

void useServer(Panels& p)
{
    p.setText(u"Text21"_s, u"smtp.example.jp"_s);
    p.setText(u"Text22"_s, u"shop@example.jp"_s);
    click(p, u"Command4"_s);
}

// Opens a mail text through the File menu command.
void openText(Panels& p, const QString& path)
{
    p.prompts.files = {path};
    p.send.textPane()->openText();
}

} // namespace

TEST(TargetSend, EmptySubjectOrBodyShowsTheConditionErrorAndSendsNothing)
{
    Panels p;
    p.send.show();
    auto* command3 = p.find<QPushButton>(u"Command3"_s);
    command3->setEnabled(true);
    p.find<QTextEdit>(u"RichTextBox1"_s)->setPlainText(u"本文"_s);
    p.setText(u"Text24"_s, u"hanako@example.jp"_s);

    QTest::mouseClick(command3, Qt::LeftButton);

    ASSERT_EQ(p.prompts.asked.size(), 1);
    EXPECT_EQ(p.prompts.asked[0].title, u"　送信条件エラー　Quolda"_s);
    EXPECT_EQ(p.prompts.asked[0].text, u"件名または本文がありません　送信を中止します"_s);
    EXPECT_TRUE(p.transport.sent.isEmpty());
}

TEST(TargetSend, PickedNameGetsTheOpenedTextPersonalisedThenTheTextComesBack)
{
    Panels p;
    p.send.show();
    useServer(p);
    // The first 山田花子 is another guest of the same name; the pick must not reach it.
    GuestRecord namesake = deliveringGuest(u"山田"_s, u"花子"_s, u"other@example.jp"_s);
    namesake.keisyou = u"殿"_s;
    writeList(p.listPath, {namesake, deliveringGuest(u"山田"_s, u"花子"_s, u" hanako@example.jp "_s)});
    openText(p, p.writeText(u"notice.txt"_s, u"★★★、お知らせです。"_s));
    click(p, u"Command1"_s);
    ASSERT_EQ(p.sendList(), QStringList({u"山田花子"_s, u"山田花子"_s}));

    p.pickLine(1);
    EXPECT_EQ(p.text(u"Text24"_s), u"hanako@example.jp"_s);
    EXPECT_EQ(p.body(), u"山田様、お知らせです。"_s);
    p.setText(u"Text23"_s, u"お知らせ"_s);
    click(p, u"Command3"_s);
    p.waitForRun();

    ASSERT_EQ(p.transport.sent.size(), 1);
    EXPECT_EQ(p.transport.sent[0].to, u"hanako@example.jp"_s);
    EXPECT_EQ(p.transport.sent[0].body, u"山田様、お知らせです。"_s);
    EXPECT_EQ(p.logNames(), QStringList({u"[1]-2005_2_9　[山田花子].log"_s}));
    EXPECT_EQ(p.sendList(), QStringList({u"山田花子"_s}));
    EXPECT_EQ(p.queue().at(0).recordNumber, 1);
    EXPECT_EQ(p.body(), u"★★★、お知らせです。"_s);
    EXPECT_TRUE(p.text(u"Text23"_s).isEmpty());
    EXPECT_FALSE(p.find<QPushButton>(u"Command3"_s)->isEnabled());
}

TEST(TargetSend, WithoutAnOpenedTextEachPickGreetsThePickedGuest)
{
    Panels p;
    p.send.show();
    useServer(p);
    writeList(p.listPath, {deliveringGuest(u"山田"_s, u"花子"_s, u"hanako@example.jp"_s),
                           deliveringGuest(u"佐藤"_s, u"一郎"_s, u"ichiro@example.jp"_s)});
    click(p, u"Command1"_s);
    typeText(p.find<QTextEdit>(u"RichTextBox1"_s), u"★★★、こんにちは。"_s);

    p.pickLine(0);
    EXPECT_EQ(p.body(), u"山田様、こんにちは。"_s);
    p.pickLine(1);
    EXPECT_EQ(p.body(), u"佐藤様、こんにちは。"_s);
    typeText(p.find<QLineEdit>(u"Text23"_s), u"ご挨拶"_s);
    click(p, u"Command3"_s);
    p.waitForRun();

    ASSERT_EQ(p.transport.sent.size(), 1);
    EXPECT_EQ(p.transport.sent[0].to, u"ichiro@example.jp"_s);
    EXPECT_EQ(p.transport.sent[0].body, u"佐藤様、こんにちは。"_s);
}

// One guest, three ways to send: the same mail every time.
TEST(OneMailBuilder, SameGuestGetsTheSameMailScheduledTargetedOrScrambled)
{
    Panels p;
    p.send.show();
    GuestRecord guest = deliveringGuest(u"山田"_s, u"花子"_s, u" hanako@example.jp"_s);
    guest.fast = u"2005/02/09"_s;
    guest.mail1 = 1;
    writeList(p.listPath, {guest});
    const QString text = p.writeText(u"first.txt"_s, u"★★★、ご案内です。"_s);
    p.setText(u"Text5"_s, text);
    p.setText(u"Text13"_s, u"ご案内"_s);
    useServer(p);

    p.send.setSendList(*scanDueGuests(p.listPath, p.clock.today()));
    p.send.runSendLoop();
    p.waitForRun();

    click(p, u"Command1"_s);
    openText(p, text);
    p.pickLine(0);
    p.setText(u"Text23"_s, u"ご案内"_s);
    click(p, u"Command3"_s);
    p.waitForRun();

    p.send.showScrambleButton();
    openText(p, text);
    p.setText(u"Text23"_s, u"ご案内"_s);
    click(p, u"Command18"_s);
    p.waitForRun();

    ASSERT_EQ(p.transport.sent.size(), 3);
    for (const OutgoingMail& mail : std::as_const(p.transport.sent)) {
        EXPECT_EQ(mail.to, u"hanako@example.jp"_s);
        EXPECT_EQ(mail.subject, u"ご案内"_s);
        EXPECT_EQ(mail.body, u"山田様、ご案内です。"_s);
    }
}

TEST(ListCommands, SearchListsDeliveringGuestsAndClearEmptiesThePanel)
{
    Panels p;
    p.send.show();
    GuestRecord stopped = deliveringGuest(u"鈴木"_s, u"次郎"_s, u"jiro@example.jp"_s);
    stopped.soushin = u"停止済"_s;
    writeList(p.listPath, {deliveringGuest(u"山田"_s, u"花子"_s, u"h@example.jp"_s), stopped,
                           deliveringGuest(u"佐藤"_s, u"一郎"_s, u"i@example.jp"_s)});
    p.send.showScrambleButton();
    QList<int> counts;
    QObject::connect(&p.send, &SendPanel::guestCountFound, [&](int n) { counts.append(n); });

    click(p, u"Command1"_s);
    EXPECT_EQ(p.sendList(), QStringList({u"山田花子"_s, u"佐藤一郎"_s}));
    EXPECT_EQ(counts, QList<int>{3});
    EXPECT_TRUE(p.find<QPushButton>(u"Command18"_s)->isHidden());

    openText(p, p.writeText(u"a.txt"_s, u"本文"_s));
    p.setText(u"Text23"_s, u"件名"_s);
    click(p, u"Command19"_s);
    EXPECT_TRUE(p.sendList().isEmpty());
    EXPECT_TRUE(p.body().isEmpty());
    EXPECT_TRUE(p.find<QTextEdit>(u"RichTextBox2"_s)->toPlainText().isEmpty());
    EXPECT_TRUE(p.text(u"Text23"_s).isEmpty());
}

TEST(ScrambleSend, EmptySubjectShowsTheViolationAndSendsNothing)
{
    Panels p;
    p.send.show();
    useServer(p);
    writeList(p.listPath, {deliveringGuest(u"山田"_s, u"花子"_s, u"h@example.jp"_s)});
    p.send.showScrambleButton();
    openText(p, p.writeText(u"s.txt"_s, u"本文"_s));

    click(p, u"Command18"_s);
    p.waitForRun();

    ASSERT_EQ(p.prompts.asked.size(), 1);
    EXPECT_EQ(p.prompts.asked[0].title, u"　件名未入力違反　Quolda"_s);
    EXPECT_EQ(p.prompts.asked[0].text, u"件名がありません、送信をやり直してください。"_s);
    EXPECT_TRUE(p.transport.sent.isEmpty());
}

TEST(ScrambleSend, SkipsStoppedGuestsGoesOnToTheRestAndPersonalisesEachMail)
{
    Panels p;
    p.send.show();
    useServer(p);
    GuestRecord stopped = deliveringGuest(u"鈴木"_s, u"次郎"_s, u"jiro@example.jp"_s);
    stopped.soushin = u"停止済"_s;
    // Two guests share a display name: each must get its own address.
    writeList(p.listPath, {deliveringGuest(u"山田"_s, u"花子"_s, u"hanako@example.jp"_s),
                           deliveringGuest(u"佐藤"_s, u"一郎"_s, u"ichiro@example.jp"_s), stopped,
                           deliveringGuest(u"田中"_s, u"三郎"_s, u"saburo@example.jp"_s),
                           deliveringGuest(u"山田"_s, u"花子"_s, u"hanako2@example.jp"_s)});
    p.send.showScrambleButton();
    openText(p, p.writeText(u"s.txt"_s, u"★★★、セールのお知らせ"_s));
    EXPECT_TRUE(p.find<QPushButton>(u"Command18"_s)->isEnabled());
    p.setText(u"Text23"_s, u"セール"_s);

    click(p, u"Command18"_s);
    p.waitForRun();

    ASSERT_EQ(p.transport.sent.size(), 4);
    EXPECT_EQ(p.transport.sent[0].to, u"hanako@example.jp"_s);
    EXPECT_EQ(p.transport.sent[0].body, u"山田様、セールのお知らせ"_s);
    EXPECT_EQ(p.transport.sent[1].to, u"ichiro@example.jp"_s);
    EXPECT_EQ(p.transport.sent[1].body, u"佐藤様、セールのお知らせ"_s);
    EXPECT_EQ(p.transport.sent[1].subject, u"セール"_s);
    EXPECT_EQ(p.transport.sent[2].to, u"saburo@example.jp"_s);
    EXPECT_EQ(p.transport.sent[3].to, u"hanako2@example.jp"_s);
    EXPECT_EQ(p.logNames(), QStringList({u"[1]-2005_2_9　[山田花子].log"_s,
                                         u"[2]-2005_2_9　[佐藤一郎].log"_s,
                                         u"[3]-2005_2_9　[田中三郎].log"_s,
                                         u"[4]-2005_2_9　[山田花子].log"_s}));
    EXPECT_EQ(readBytes(p.dir.logDir() + u"/[2]-2005_2_9　[佐藤一郎].log"_s),
              toCp932(u"佐藤様、セールのお知らせ"_s));
    EXPECT_TRUE(p.find<QPushButton>(u"Command18"_s)->isHidden());
    EXPECT_TRUE(p.text(u"Text24"_s).isEmpty());
    EXPECT_EQ(p.clock.pauses, 3);
    EXPECT_EQ(p.clock.lastPauseMs, 6912);
}

TEST(ScrambleSend, UnreadableTextStopsBeforeAnyMail)
{
    Panels p;
    p.send.show();
    useServer(p);
    writeList(p.listPath, {deliveringGuest(u"山田"_s, u"花子"_s, u"h@example.jp"_s)});
    p.send.showScrambleButton();
    const QString path = p.writeText(u"s.txt"_s, u"本文"_s);
    openText(p, path);
    QFile::remove(path);
    p.setText(u"Text23"_s, u"件名"_s);

    click(p, u"Command18"_s);
    p.waitForRun();

    EXPECT_TRUE(p.transport.sent.isEmpty());
    ASSERT_EQ(p.prompts.asked.size(), 1);
    EXPECT_TRUE(p.prompts.asked[0].text.contains(u"s.txt"_s));
}

TEST(MailTexts, OpeningOutsideScrambleModeLeavesTheScrambleButtonAlone)
{
    Panels p;
    const QString path = p.writeText(u"a.txt"_s, u"あいう"_s);

    openText(p, path);

    EXPECT_EQ(p.body(), u"あいう"_s);
    EXPECT_EQ(p.find<QTextEdit>(u"RichTextBox2"_s)->toPlainText(), u"あいう"_s);
    EXPECT_FALSE(p.find<QPushButton>(u"Command18"_s)->isEnabled());
    EXPECT_EQ(p.prompts.dialogDirs, QStringList({p.dir.textDir()}));
}

TEST(MailTexts, OverwriteGoesToTheOpenedFileThenToTheLastPickedStepFile)
{
    Panels p;
    const QString opened = p.writeText(u"opened.txt"_s, u"元の本文"_s);
    const QString step = p.writeText(u"step.txt"_s, u"段階の本文"_s);
    auto* body = p.find<QTextEdit>(u"RichTextBox1"_s);

    openText(p, opened);
    body->setPlainText(u"直した本文"_s);
    p.send.textPane()->overwriteText();
    EXPECT_EQ(readBytes(opened), toCp932(u"直した本文"_s));

    p.prompts.files = {step};
    QTest::mouseClick(p.find<QPushButton>(u"Command8"_s), Qt::LeftButton);
    body->setPlainText(u"次の本文"_s);
    p.send.textPane()->overwriteText();
    EXPECT_EQ(readBytes(step), toCp932(u"次の本文"_s));
    EXPECT_EQ(readBytes(opened), toCp932(u"直した本文"_s));
}

TEST(MailTexts, SaveAsWritesCp932AndOverwriteWithoutAnyFileSaysSo)
{
    Panels p;
    p.find<QTextEdit>(u"RichTextBox1"_s)->setPlainText(u"～①"_s);

    p.send.textPane()->overwriteText();
    ASSERT_EQ(p.prompts.asked.size(), 1);

    const QString target = p.home.path(u"text/new.txt"_s);
    p.prompts.files = {target};
    p.send.textPane()->saveTextAs();
    EXPECT_EQ(readBytes(target), QByteArray("\x81\x60\x87\x40"));
}

// Logs are code page 932, or UTF-8 after a byte-order mark; ﾕｷ in code page 932 also reads as UTF-8 「շ」.
TEST(MailTexts, SendLogViewerShowsEitherKindOfLogAsWritten)
{
    Panels p;
    const QString log = p.dir.logDir() + u"/[1]-2005_2_9　[ﾕｷ].log"_s;
    writeBytes(log, toCp932(u"ﾕｷ sama"_s));
    const QString utf8 = p.dir.logDir() + u"/[2]-2005_2_9　[山田].log"_s;
    writeBytes(utf8, "\xEF\xBB\xBF" + u"山田様\r\nCafé"_s.toUtf8());
    p.prompts.files = {log, utf8};

    p.send.textPane()->openSendLog();
    EXPECT_EQ(p.body(), u"ﾕｷ sama"_s);
    p.send.textPane()->openSendLog();
    EXPECT_EQ(p.body(), u"山田様\nCafé"_s);
    EXPECT_EQ(p.prompts.dialogDirs, QStringList({p.dir.logDir(), p.dir.logDir()}));
}

TEST(MailTexts, DeleteOnAnEmptyBodyDisablesScrambleButBackspaceDoesNot)
{
    Panels p;
    p.send.show();
    p.send.showScrambleButton();
    openText(p, p.writeText(u"a.txt"_s, u"字"_s));
    auto* body = p.find<QTextEdit>(u"RichTextBox1"_s);
    auto* scramble = p.find<QPushButton>(u"Command18"_s);
    body->setFocus();

    body->moveCursor(QTextCursor::End);
    QTest::keyClick(body, Qt::Key_Backspace);
    ASSERT_TRUE(p.body().isEmpty());
    EXPECT_TRUE(scramble->isEnabled());

    QTest::keyClick(body, Qt::Key_Delete);
    EXPECT_FALSE(scramble->isEnabled());
}

TEST(MailTexts, CharactersCodePage932CannotHoldAreNamedAndNoFileChanges)
{
    Panels p;
    const QString utf8 = p.dir.textDir() + u"/utf8.txt"_s;
    const QByteArray utf8Bytes = u"Café のご案内 😀\n"_s.toUtf8();
    writeBytes(utf8, utf8Bytes);
    const QString other = p.writeText(u"other.txt"_s, u"元の本文"_s);
    const QByteArray otherBytes = readBytes(other);

    openText(p, utf8);
    p.send.textPane()->overwriteText();
    p.prompts.files = {other};
    p.send.textPane()->saveTextAs();

    EXPECT_EQ(readBytes(utf8), utf8Bytes);
    EXPECT_EQ(readBytes(other), otherBytes);
    ASSERT_EQ(p.prompts.asked.size(), 2);
    for (const auto& asked : p.prompts.asked) {
        EXPECT_EQ(asked.title, u"　保存エラー　Quolda"_s);
        EXPECT_TRUE(asked.text.contains(u"「é😀」"_s)) << asked.text.toStdString();
    }
}
