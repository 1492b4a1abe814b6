// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor_test_support.h"

#include "common/ui/readable_colour.h"
#include "lists/list_file.h"

#include <QAbstractItemView>
#include <QApplication>
#include <gtest/gtest.h>

namespace {

GuestRecord record(const QString& path, int k) { return ReadGuestRecord(path, k).value(); }

QColor textColour(QWidget* widget) { return widget->palette().color(QPalette::Text); }

} // namespace

TEST(EditorUpdate, EmptyFamilyNameWritesNothingAndStepsBack)
{
    EditorBench bench({makeGuest(u"山田"_s, u"花子"_s), makeGuest(u"佐藤"_s, u"一郎"_s), makeGuest(u"鈴木"_s)});
    const QByteArray before = readBytes(bench.list);
    bench.editor->ShowRecord(2);
    bench.retype(bench.text1(0), QString());
    bench.retype(bench.text1(1), u"変更"_s);

    bench.click(u"Command5"_s);
    EXPECT_EQ(readBytes(bench.list), before);
    EXPECT_EQ(bench.label13(), u"1"_s);
    EXPECT_EQ(bench.text1(0)->text(), u"山田"_s);
    EXPECT_EQ(bench.label23(), u"3"_s);

    bench.retype(bench.text1(0), QString());
    bench.click(u"Command5"_s);
    EXPECT_EQ(readBytes(bench.list), before);
    EXPECT_EQ(bench.label13(), u"1"_s);
}

TEST(EditorUpdate, SavesEveryFieldAsTheRecordShown)
{
    EditorBench bench({makeGuest(u"山田"_s, u"花子"_s), makeGuest(u"佐藤"_s)});
    bench.editor->ShowRecord(2);
    bench.retype(bench.text1(2), u"さと"_s);
    bench.retype(bench.get<QLineEdit>(u"Text3"_s), u"様"_s);
    bench.retype(bench.get<QLineEdit>(u"Text25(2)"_s), u"東京都"_s);
    bench.get<QComboBox>(u"Combo2"_s)->setCurrentIndex(1);
    QTest::mouseClick(bench.check1(3), Qt::LeftButton, {}, QPoint(5, 5));
    bench.click(u"Command5"_s);

    const GuestRecord saved = record(bench.list, 2);
    EXPECT_EQ(saved.fName, u"佐藤    "_s);
    EXPECT_EQ(saved.hName, u"さと"_s + QString(16, u' '));
    EXPECT_EQ(saved.keisyou, u"様      "_s);
    EXPECT_EQ(saved.soushin, u"配信中"_s);
    EXPECT_EQ(saved.shiryou, u"未送付"_s);
    EXPECT_EQ(saved.jyusyo.trimmed(), u"東京都"_s);
    EXPECT_EQ(saved.mail3, 1);
    EXPECT_EQ(saved.repeat, 0);
    EXPECT_EQ(record(bench.list, 1).fName, u"山田    "_s);
}

// The mailbox check stopped the guest while the editor showed it: saving the
// older copy keeps the stop, with the operator's other changes, and says so.
TEST(EditorUpdate, AStopMadeWhileTheGuestWasShownSurvivesItsSave)
{
    const GuestRecord guest = makeGuest(u"山田"_s, u"花子"_s);
    EditorBench bench({guest});
    bench.editor->ShowRecord(1);
    GuestRecord stopped = guest;
    stopped.soushin = u"停止済"_s;
    ASSERT_TRUE(WriteGuestRecord(bench.list, 1, stopped));

    bench.retype(bench.text1(2), u"はなこ"_s);
    bench.click(u"Command5"_s);

    const GuestRecord saved = record(bench.list, 1);
    EXPECT_EQ(saved.soushin, u"停止済"_s);
    EXPECT_EQ(saved.hName.trimmed(), u"はなこ"_s);
    ASSERT_EQ(bench.prompts.asked.size(), 1);
    EXPECT_TRUE(bench.prompts.asked[0].text.contains(u"停止済"_s));
}

TEST(EditorNewRecord, NewRecordOnAListOfFiveBecomesRecordSix)
{
    QList<GuestRecord> guests;
    for (int n = 1; n <= 5; ++n)
        guests.append(numberedGuest(n));
    EditorBench bench(guests);
    bench.check1(4)->setChecked(true);

    bench.prompts.answers = {PromptAnswer::No}; // the switch is an edit of guest 5: not saved
    bench.click(u"Command6"_s);
    EXPECT_EQ(bench.label13(), u"6"_s);
    EXPECT_TRUE(bench.text1(0)->text().isEmpty());
    EXPECT_TRUE(bench.text1(1)->text().isEmpty());
    EXPECT_EQ(bench.get<QComboBox>(u"Combo1"_s)->currentText(), u"-選択-"_s);
    EXPECT_TRUE(bench.check1(4)->isChecked());
    EXPECT_FALSE(bench.get<QPushButton>(u"Command6"_s)->isEnabled());
    EXPECT_FALSE(bench.get<QWidget>(u"UpDown1"_s)->isEnabled());
    EXPECT_EQ(readBytes(bench.list).size(), 5 * kRecordSize);

    typeText(bench.text1(0), u"新人"_s);
    bench.click(u"Command5"_s);
    EXPECT_EQ(readBytes(bench.list).size(), 6 * kRecordSize);
    EXPECT_EQ(record(bench.list, 6).fName, u"新人    "_s);
    EXPECT_EQ(record(bench.list, 6).mail4, 1);
    EXPECT_EQ(bench.label23(), u"6"_s);
    EXPECT_EQ(bench.get<QComboBox>(u"Combo3"_s)->count(), 6);
    EXPECT_EQ(bench.get<QComboBox>(u"Combo3"_s)->itemText(5), u"新人"_s);
    EXPECT_TRUE(bench.get<QPushButton>(u"Command6"_s)->isEnabled());
    EXPECT_TRUE(bench.get<QWidget>(u"UpDown1"_s)->isEnabled());
}

TEST(EditorNewRecord, StaleCountNeverLeadsOntoAGuest)
{
    EditorBench bench({numberedGuest(1), numberedGuest(2)});
    writeList(bench.list, {numberedGuest(1), numberedGuest(2), numberedGuest(3)}); // added elsewhere
    bench.click(u"Command6"_s);
    EXPECT_EQ(bench.label13(), u"4"_s);
    typeText(bench.text1(0), u"new"_s);
    bench.click(u"Command5"_s);
    EXPECT_EQ(record(bench.list, 3).fName, u"g3      "_s);
    EXPECT_EQ(record(bench.list, 4).fName, u"new     "_s);
}

TEST(EditorNewRecord, EmptyFamilyNameOnlyMovesFocusAndChangesState)
{
    EditorBench bench({numberedGuest(1), numberedGuest(2), numberedGuest(3)});
    bench.editor->ShowRecord(2);
    bench.retype(bench.text1(0), QString());
    bench.text1(1)->setFocus();
    bench.click(u"Command6"_s);

    EXPECT_EQ(bench.label13(), u"2"_s);
    EXPECT_EQ(bench.text1(1)->text(), u"n2"_s);
    EXPECT_TRUE(bench.text1(0)->hasFocus());
    auto* newButton = bench.get<QPushButton>(u"Command6"_s);
    EXPECT_FALSE(newButton->isEnabled());
    EXPECT_EQ(newButton->palette().color(QPalette::Button), qApp->palette().color(QPalette::Button));
    EXPECT_FALSE(bench.get<QWidget>(u"UpDown1"_s)->isEnabled());

    bench.retype(bench.text1(0), u"g2"_s);
    bench.click(u"Command5"_s);
    EXPECT_TRUE(newButton->isEnabled());
    EXPECT_EQ(newButton->palette().color(QPalette::Button), QColor(192, 255, 255));
}

TEST(EditorArrows, MoveOnlyWithinTheFirst200Records)
{
    QList<GuestRecord> guests;
    for (int n = 1; n <= 250; ++n)
        guests.append(numberedGuest(n));
    EditorBench bench(guests);
    bench.editor->ShowRecord(199);
    bench.click(u"UpDown1.up"_s);
    EXPECT_EQ(bench.label13(), u"200"_s);
    bench.click(u"UpDown1.up"_s);
    EXPECT_EQ(bench.label13(), u"200"_s);
    EXPECT_EQ(bench.text1(0)->text(), u"g200"_s);

    bench.pick(u"Combo3"_s, 229);
    EXPECT_EQ(bench.label13(), u"230"_s);
    bench.click(u"UpDown1.down"_s);
    EXPECT_EQ(bench.label13(), u"230"_s);
    EXPECT_EQ(bench.text1(0)->text(), u"g230"_s);
    bench.click(u"UpDown1.up"_s);
    EXPECT_EQ(bench.label13(), u"230"_s);
}

TEST(EditorArrows, EndsOfTheListStayButSave)
{
    EditorBench bench({numberedGuest(1), numberedGuest(2)});
    bench.retype(bench.text1(1), u"変更"_s);
    bench.click(u"UpDown1.down"_s);
    EXPECT_EQ(bench.label13(), u"1"_s);
    EXPECT_EQ(record(bench.list, 1).sName, u"変更    "_s);

    bench.click(u"UpDown1.up"_s);
    EXPECT_EQ(bench.label13(), u"2"_s);
    bench.retype(bench.text1(1), u"末尾"_s);
    bench.click(u"UpDown1.up"_s);
    EXPECT_EQ(bench.label13(), u"2"_s);
    EXPECT_EQ(record(bench.list, 2).sName, u"末尾    "_s);
    EXPECT_EQ(readBytes(bench.list).size(), 2 * kRecordSize);
}

TEST(EditorKeywords, SameFamilyNameJumpsToTheLowerRecord)
{
    EditorBench bench({makeGuest(u"鈴木"_s), makeGuest(u"佐藤"_s, u"一郎"_s), makeGuest(u"佐藤"_s, u"二郎"_s)});
    bench.pick(u"Combo3"_s, 2);
    EXPECT_EQ(bench.label13(), u"2"_s);
    EXPECT_EQ(bench.text1(1)->text(), u"一郎"_s);
    bench.pick(u"Combo4"_s, 2);
    EXPECT_EQ(bench.label13(), u"3"_s);
}

TEST(EditorKeywords, ListsHoldEveryRecordAndShowThePlaceholder)
{
    GuestRecord withCompany = makeGuest(u"山田"_s);
    withCompany.CoName = u"山田商事"_s;
    EditorBench bench({withCompany, makeGuest(u"  "_s), makeGuest(u"山田"_s)});
    for (int i = 3; i <= 8; ++i) {
        auto* list = bench.get<QComboBox>(u"Combo%1"_s.arg(i));
        EXPECT_EQ(list->count(), 3);
        EXPECT_EQ(list->currentIndex(), -1);
        EXPECT_EQ(list->placeholderText(), u"-選択-"_s);
    }
    auto* companies = bench.get<QComboBox>(u"Combo8"_s);
    EXPECT_EQ(companies->itemText(0), u"山田商事"_s);
    EXPECT_EQ(companies->itemText(1), QString());
    EXPECT_EQ(bench.get<QComboBox>(u"Combo3"_s)->itemText(2), u"山田"_s);
}

TEST(EditorKeywords, ThirtyThousandGuestsAreAllListed)
{
    EditorBench bench({});
    QByteArray listBytes;
    for (int n = 1; n <= 32767; ++n)
        listBytes += encodeGuestRecord(numberedGuest(n));
    bench.editor->fillKeywordLists(listBytes, 32767);
    auto* list = bench.get<QComboBox>(u"Combo7"_s);
    EXPECT_EQ(list->count(), 32767);
    EXPECT_EQ(bench.get<QComboBox>(u"Combo3"_s)->itemText(32766), u"g32767"_s);
}

TEST(EditorDates, PickedStepDateSurvivesUpdateAndMovingAwayAndBack)
{
    EditorBench bench({numberedGuest(1), numberedGuest(2)});
    bench.clickBox(bench.text1(4));
    bench.clickDay(1);
    EXPECT_EQ(bench.text1(4)->text(), u"2024/03/01"_s);
    bench.click(u"Command5"_s);
    EXPECT_EQ(readBytes(bench.list).mid(46, 10), QByteArray("2024/03/01"));

    bench.click(u"UpDown1.up"_s);
    EXPECT_EQ(bench.text1(4)->text(), QString());
    bench.click(u"UpDown1.down"_s);
    EXPECT_EQ(bench.label13(), u"1"_s);
    EXPECT_EQ(bench.text1(4)->text(), u"2024/03/01"_s);
}

TEST(EditorDates, CalendarOpensOnlyForDateBoxesAndClosesWithEsc)
{
    EditorBench bench({numberedGuest(1)});
    auto* calendar = bench.get<QCalendarWidget>(u"MonthView1"_s);
    EXPECT_FALSE(calendar->isVisible());

    bench.clickBox(bench.text1(11));
    EXPECT_FALSE(calendar->isVisible());
    bench.clickBox(bench.text1(3));
    ASSERT_TRUE(calendar->isVisible());
    EXPECT_EQ(calendar->selectedDate(), QDate(2024, 3, 15));
    bench.clickDay(1);
    EXPECT_EQ(bench.text1(3)->text(), u"2024/03/01"_s);
    EXPECT_FALSE(calendar->isVisible());

    bench.clickBox(bench.text1(10));
    ASSERT_TRUE(calendar->isVisible());
    QTest::keyClick(bench.text1(10), Qt::Key_Escape);
    EXPECT_FALSE(calendar->isVisible());

    bench.clickBox(bench.text1(5));
    ASSERT_TRUE(calendar->isVisible());
    QTest::keyClick(calendar->findChild<QAbstractItemView*>(), Qt::Key_Escape);
    EXPECT_FALSE(calendar->isVisible());
    EXPECT_TRUE(bench.text1(5)->text().trimmed().isEmpty());
}

// The calendar holds the focus while it shows; once it closes the operator's
// next keys belong to the date box, not to whatever control follows it.
TEST(EditorDates, KeysAfterTheCalendarClosesGoToTheDateBox)
{
    EditorBench bench({numberedGuest(1)});
    op::click(bench.text1(4));
    bench.clickDay(1);
    op::press(Qt::Key_Backspace);
    EXPECT_EQ(bench.text1(4)->text(), u"2024/03/0"_s);
}

TEST(EditorColours, StatusColoursTheFieldsAndAnUnknownStatusKeepsThem)
{
    GuestRecord stopped = makeGuest(u"停止"_s);
    stopped.soushin = u"停止済"_s;
    GuestRecord unknown = makeGuest(u"保留"_s);
    unknown.soushin = u"保留中"_s;
    EditorBench bench({makeGuest(u"配信"_s), stopped, unknown});
    auto* honorific = bench.get<QLineEdit>(u"Text3"_s);
    auto* status = bench.get<QComboBox>(u"Combo1"_s);

    EXPECT_EQ(textColour(bench.text1(0)), QColor(Qt::blue));
    bench.editor->ShowRecord(3);
    EXPECT_EQ(status->currentText(), u"保留中"_s);
    EXPECT_EQ(textColour(bench.text1(0)), QColor(Qt::blue));
    bench.editor->ShowRecord(2);
    EXPECT_EQ(textColour(bench.text1(11)), QColor(Qt::red));
    EXPECT_EQ(textColour(honorific), QColor(Qt::red));
    bench.editor->ShowRecord(3);
    EXPECT_EQ(textColour(bench.get<QLineEdit>(u"Text25(4)"_s)), QColor(Qt::red));

    status->setCurrentIndex(0); // the operator picks "配信中"
    EXPECT_EQ(textColour(status), QColor(Qt::blue));
    bench.prompts.answers = {PromptAnswer::No};
    bench.click(u"Command6"_s);
    EXPECT_EQ(textColour(bench.text1(0)), QColor(Qt::black));
    EXPECT_EQ(textColour(status), QColor(Qt::black));
}

TEST(EditorInput, FamilyNameLimitCountsShiftJisBytes)
{
    EditorBench bench({});
    QLineEdit* family = bench.text1(0);
    typeText(family, u"山田太郎花"_s);
    EXPECT_EQ(family->text(), u"山田太郎"_s);
    bench.retype(family, u"abcdefghi"_s);
    EXPECT_EQ(family->text(), u"abcdefgh"_s);
    bench.retype(family, u"ab山田太郎"_s);
    EXPECT_EQ(family->text(), u"ab山田太"_s);
    typeText(family, u"c"_s);
    EXPECT_EQ(family->text(), u"ab山田太"_s);

    QLineEdit* address = bench.get<QLineEdit>(u"Text25(2)"_s);
    typeText(address, QString(21, u'都'));
    EXPECT_EQ(address->text(), QString(20, u'都'));
    QLineEdit* birthday = bench.text1(3);
    EXPECT_FALSE(birthday->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_TRUE(family->testAttribute(Qt::WA_InputMethodEnabled));
}

TEST(EditorSwitches, FullClickTogglesOnceAndAppliesTheRule)
{
    GuestRecord guest = makeGuest(u"山田"_s);
    guest.mail1 = guest.mail3 = guest.mail5 = 1;
    EditorBench bench({guest});
    auto checked = [&bench] {
        QList<int> on;
        for (int i = 0; i < kStepCount; ++i)
            if (bench.check1(i)->isChecked())
                on.append(i);
        return on;
    };
    const QPoint onBox(5, 5);
    ASSERT_EQ(checked(), (QList<int>{1, 3, 5}));

    QTest::mouseClick(bench.check1(0), Qt::LeftButton, {}, onBox);
    EXPECT_EQ(checked(), QList<int>{0});
    QTest::mouseClick(bench.check1(2), Qt::LeftButton, {}, onBox);
    EXPECT_EQ(checked(), QList<int>{2});
    QTest::mouseClick(bench.check1(2), Qt::LeftButton, {}, onBox);
    EXPECT_EQ(checked(), QList<int>{});
    QTest::mouseClick(bench.check1(0), Qt::LeftButton, {}, onBox);
    QTest::mouseClick(bench.check1(0), Qt::LeftButton, {}, onBox);
    EXPECT_EQ(checked(), QList<int>{});

    bench.check1(4)->setChecked(true);
    QTest::mousePress(bench.check1(0), Qt::LeftButton, {}, onBox);
    EXPECT_EQ(checked(), QList<int>{0}); // shows its new state while held
    QTest::mouseRelease(bench.check1(0), Qt::LeftButton, {}, onBox);
    EXPECT_EQ(checked(), QList<int>{0});
}

TEST(EditorSwitches, SpaceKeyTogglesWithoutTheRule)
{
    GuestRecord guest = makeGuest(u"山田"_s);
    guest.repeat = 1;
    EditorBench bench({guest});
    bench.check1(3)->setFocus();
    QTest::keyClick(bench.check1(3), Qt::Key_Space);
    EXPECT_TRUE(bench.check1(3)->isChecked());
    EXPECT_TRUE(bench.check1(0)->isChecked());
}

TEST(EditorFailures, FailedWriteNamesTheFileAndKeepsTheTypedText)
{
    EditorBench bench({numberedGuest(1), numberedGuest(2)});
    const QByteArray before = readBytes(bench.list);
    const QString good = bench.list;
    bench.list = bench.home.path(u"gone/guestlst.lst"_s);
    bench.retype(bench.text1(1), u"入力中"_s);

    bench.click(u"Command5"_s);
    ASSERT_EQ(bench.prompts.asked.size(), 1);
    EXPECT_TRUE(bench.prompts.asked[0].text.contains(bench.list));
    EXPECT_EQ(bench.prompts.asked[0].icon, PromptIcon::Warning);
    EXPECT_EQ(bench.text1(1)->text(), u"入力中"_s);
    EXPECT_EQ(bench.text1(0)->text(), u"g1"_s);

    bench.click(u"UpDown1.up"_s);
    EXPECT_EQ(bench.prompts.asked.size(), 2);
    EXPECT_EQ(bench.label13(), u"1"_s);
    EXPECT_EQ(bench.text1(1)->text(), u"入力中"_s);
    EXPECT_EQ(readBytes(good), before);
}

TEST(EditorFailures, FailedReadKeepsTheShownRecord)
{
    EditorBench bench({numberedGuest(1), numberedGuest(2)});
    bench.list = bench.home.path(u"gone/guestlst.lst"_s);
    bench.editor->ShowRecord(2);
    EXPECT_EQ(bench.prompts.asked.size(), 1);
    EXPECT_EQ(bench.label13(), u"1"_s);
    EXPECT_EQ(bench.text1(0)->text(), u"g1"_s);
    bench.pick(u"Combo3"_s, 1);
    EXPECT_EQ(bench.prompts.asked.size(), 2);
    EXPECT_EQ(bench.label13(), u"1"_s);
}

TEST(EditorInput, StoredAddressLongerThanTheTypingLimitIsKeptAndEditable)
{
    GuestRecord guest = makeGuest(u"山田"_s);
    guest.jyusyo = QString(30, u'町'); // 60 bytes: more than can be typed, less than the field
    EditorBench bench({guest});
    QLineEdit* address = bench.get<QLineEdit>(u"Text25(2)"_s);
    EXPECT_EQ(address->text(), QString(30, u'町'));
    address->setFocus();
    address->end(false);
    QTest::keyClick(address, Qt::Key_Backspace);
    EXPECT_EQ(address->text(), QString(29, u'町'));
    bench.click(u"Command5"_s);
    EXPECT_EQ(record(bench.list, 1).jyusyo, QString(29, u'町') + QString(22, u' '));
}

TEST(EditorDates, DateTypedIntoABlankBoxIsStoredAsTyped)
{
    EditorBench bench({numberedGuest(1)});
    op::click(bench.text1(4));
    op::press(Qt::Key_Escape); // the calendar offers itself; the operator types instead
    op::type(u"2026/12/01"_s);
    op::click(bench.get<QPushButton>(u"Command5"_s));
    EXPECT_EQ(readBytes(bench.list).mid(46, 10), QByteArray("2026/12/01"));
    EXPECT_TRUE(bench.prompts.asked.isEmpty());
}

TEST(EditorDates, UpdateRefusesADateItCannotReadAndNamesTheBox)
{
    GuestRecord guest = numberedGuest(1);
    guest.fast = u"2026/12/01"_s;
    EditorBench bench({guest});
    const QByteArray before = readBytes(bench.list);

    op::clickInText(bench.text1(4), 2); // inside the date, without selecting it
    op::press(Qt::Key_Escape);
    op::type(u"20"_s);
    op::click(bench.get<QPushButton>(u"Command5"_s));
    ASSERT_EQ(bench.prompts.asked.size(), 1);
    EXPECT_TRUE(bench.prompts.asked[0].text.contains(u"「初回」"_s));
    EXPECT_EQ(bench.text1(4)->text(), u"202026/12/01"_s);
    EXPECT_TRUE(bench.text1(4)->hasFocus());
    EXPECT_EQ(readBytes(bench.list), before);

    bench.retype(bench.text1(4), u"2026/12/05"_s);
    op::click(bench.text1(3));
    op::press(Qt::Key_Escape);
    op::type(u"2026/02/30"_s);
    op::click(bench.get<QWidget>(u"UpDown1.up"_s));
    ASSERT_EQ(bench.prompts.asked.size(), 2);
    EXPECT_TRUE(bench.prompts.asked[1].text.contains(u"「生年月日」"_s));
    EXPECT_EQ(readBytes(bench.list), before);

    bench.retype(bench.text1(3), QString());
    op::click(bench.get<QPushButton>(u"Command5"_s));
    EXPECT_EQ(bench.prompts.asked.size(), 2);
    EXPECT_EQ(readBytes(bench.list).mid(36, 20), QByteArray("          2026/12/05"));
}

TEST(EditorInput, CharacterTheListCannotHoldIsRefusedAndNamed)
{
    EditorBench bench({makeGuest(u"山田"_s)});
    const QByteArray before = readBytes(bench.list);
    op::click(bench.text1(0));
    op::type(u"𠮷"_s);
    EXPECT_EQ(bench.text1(0)->text(), u"山田"_s);
    ASSERT_EQ(bench.prompts.asked.size(), 1);
    EXPECT_TRUE(bench.prompts.asked[0].text.contains(u"「名字」"_s));
    EXPECT_TRUE(bench.prompts.asked[0].text.contains(u"「𠮷」"_s));
    op::click(bench.get<QPushButton>(u"Command5"_s));
    EXPECT_EQ(readBytes(bench.list), before);
}

TEST(EditorInput, TabFollowsTheFormAsItIsLaidOut)
{
    EditorBench bench({numberedGuest(1)});
    op::click(bench.text1(0));
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 18; ++i) {
        op::press(Qt::Key_Tab);
        visited.append(QApplication::focusWidget()->objectName());
    }
    EXPECT_EQ(visited, (QStringList{u"Text1(0)"_s, u"Text1(1)"_s, u"Text1(2)"_s, u"Text1(3)"_s, u"Combo1"_s,
                                    u"Combo2"_s, u"Text3"_s, u"Text1(4)"_s, u"Text1(5)"_s, u"Text1(6)"_s,
                                    u"Text1(7)"_s, u"Text1(8)"_s, u"Text1(9)"_s, u"Text1(10)"_s, u"Text1(11)"_s,
                                    u"Text25(0)"_s, u"Text25(1)"_s, u"Text25(2)"_s, u"Text25(3)"_s}));
}

TEST(EditorUnsavedEdits, KeywordJumpAsksYesSavesNoDiscardsCancelStays)
{
    const QList<GuestRecord> guests{makeGuest(u"山田"_s, u"花子"_s), makeGuest(u"佐藤"_s, u"一郎"_s)};
    // Record 2 as older lists store it: zero bytes where the nickname's spaces would be.
    QByteArray stored = encodeGuestRecord(guests[0]) + encodeGuestRecord(guests[1]);
    const GuestField* nickname = findGuestField("hName");
    stored.replace(kRecordSize + nickname->offset, nickname->width, QByteArray(nickname->width, '\0'));
    const QByteArray saved = encodeGuestRecord(makeGuest(u"山田"_s, u"花子代"_s)) + stored.mid(kRecordSize);

    for (const PromptAnswer answer : {PromptAnswer::Yes, PromptAnswer::No, PromptAnswer::Cancel}) {
        SCOPED_TRACE(int(answer));
        EditorBench bench(guests);
        writeBytes(bench.list, stored);
        bench.pick(u"Combo3"_s, 1);
        bench.pick(u"Combo3"_s, 0); // nothing was typed: no question
        EXPECT_TRUE(bench.prompts.asked.isEmpty());
        // The offscreen platform leaves the closed drop-down the active window.
        bench.editor->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(bench.editor.get()));

        op::clickInText(bench.text1(1), 2);
        op::type(u"代"_s);
        bench.prompts.answers = {answer};
        bench.pick(u"Combo3"_s, 1);
        ASSERT_EQ(bench.prompts.asked.size(), 1);
        EXPECT_EQ(bench.prompts.asked[0].text, u"変更を保存しますか？");
        EXPECT_EQ(bench.prompts.asked[0].buttons, PromptButtons::YesNoCancel);
        EXPECT_EQ(readBytes(bench.list), answer == PromptAnswer::Yes ? saved : stored);
        EXPECT_EQ(bench.label13(), answer == PromptAnswer::Cancel ? u"1"_s : u"2"_s);
        EXPECT_EQ(bench.text1(1)->text(), answer == PromptAnswer::Cancel ? u"花子代"_s : u"一郎"_s);
    }

    // Yes with a date the save refuses: told why, nothing written, the guest stays.
    EditorBench bench(guests);
    writeBytes(bench.list, stored);
    op::click(bench.text1(4));
    op::press(Qt::Key_Escape);
    op::type(u"2024/13/45"_s);
    bench.prompts.answers = {PromptAnswer::Yes};
    bench.pick(u"Combo3"_s, 1);
    ASSERT_EQ(bench.prompts.asked.size(), 2);
    EXPECT_EQ(bench.prompts.asked[1].icon, PromptIcon::Warning);
    EXPECT_EQ(readBytes(bench.list), stored);
    EXPECT_EQ(bench.label13(), u"1"_s);
    EXPECT_EQ(bench.text1(4)->text(), u"2024/13/45"_s);
}

TEST(EditorColours, OnADarkDesktopStatusColoursAndTheNewRecordCaptionStayReadable)
{
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::Text, QColor(0xe0, 0xe0, 0xe0));
    dark.setColor(QPalette::Button, QColor(0x30, 0x30, 0x30));
    dark.setColor(QPalette::ButtonText, QColor(0xf0, 0xf0, 0xf0));
    QApplication::setPalette(dark);
    GuestRecord stopped = makeGuest(u"停止"_s);
    stopped.soushin = u"停止済"_s;
    EditorBench bench({makeGuest(u"配信"_s), stopped});
    // The ratios WCAG gives for black on white and blue on white.
    ASSERT_NEAR(contrastRatio(Qt::black, Qt::white), 21.0, 0.01);
    ASSERT_NEAR(contrastRatio(Qt::blue, Qt::white), 8.59, 0.01);
    const auto readable = [](QWidget* widget, QPalette::ColorRole text, const QColor& base) {
        return contrastRatio(widget->palette().color(text), base) >= 4.5;
    };
    EXPECT_TRUE(readable(bench.text1(0), QPalette::Text, dark.color(QPalette::Base)));
    auto* caption = bench.get<QPushButton>(u"Command6"_s);
    EXPECT_TRUE(readable(caption, QPalette::ButtonText, caption->palette().color(QPalette::Button)));
    bench.editor->ShowRecord(2);
    EXPECT_TRUE(readable(bench.text1(0), QPalette::Text, dark.color(QPalette::Base)));
    EXPECT_GT(textColour(bench.text1(0)).red(), textColour(bench.text1(0)).blue()); // still a red
    QApplication::setPalette(light);
}
