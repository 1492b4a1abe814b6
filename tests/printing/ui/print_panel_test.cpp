// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/print_ini.h"
#include "printing/ui/print_option_dialog.h"
#include "printing/ui/print_panel.h"
#include "recording_surface.h"
#include "test_support.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <utility>

namespace {

struct Panel : ::testing::Test {
    TestHome home;
    ProgramDir dir{home.root()};
    ScriptedPrompts prompts;
    RecordingSurfaceFactory factory;
    QWidget page;
    QComboBox* chooser = new QComboBox(&page);
    QLineEdit* start = new QLineEdit(&page);
    QLabel* startLabel = new QLabel(u"印字場所"_s, &page);
    QLabel* startSuffix = new QLabel(u"番目"_s, &page);
    int rows = 0;
    PrintPanel* panel = nullptr;

    void SetUp() override
    {
        GuestRecord first = makeGuest(u"山田"_s, u"太郎"_s);
        first.Post = u"111-1111"_s;
        GuestRecord second = makeGuest(u"佐藤"_s, u"花子"_s);
        second.Post = u"222-2222"_s;
        writeList(dir.defaultList(), {first, second});
        rows = 2;
        chooser->addItems({u"ALL"_s, u"0001"_s, u"0002"_s});
        panel = new PrintPanel(dir, prompts, factory,
                               {chooser, start, startLabel, startSuffix, [this] { return rows; },
                                [this] { return dir.defaultList(); }},
                               &page);
    }

    template <typename T>
    T* control(const char* name) const
    {
        return panel->findChild<T*>(QString::fromLatin1(name));
    }
    void clickStart() { QTest::mouseClick(control<QPushButton>("Command17"), Qt::LeftButton); }
};

TEST_F(Panel, StartPositionIsCheckedAgainstTheSheetOnEveryChange)
{
    QTest::keyClicks(start, u"12"_s);
    EXPECT_EQ(start->text(), u"12"_s);
    EXPECT_TRUE(prompts.asked.isEmpty());

    QTest::keyClicks(start, u"3"_s); // 123 > 12
    EXPECT_EQ(start->text(), QString());
    ASSERT_EQ(prompts.asked.size(), 1);
    EXPECT_EQ(prompts.asked[0].title, u"Quolda"_s);
    EXPECT_EQ(prompts.asked[0].text, u"無効！"_s);
    EXPECT_EQ(prompts.asked[0].icon, PromptIcon::None);

    QTest::keyClicks(start, u"13"_s); // "1" passes, "13" does not
    EXPECT_EQ(start->text(), QString());
    QTest::keyClicks(start, u"0"_s);
    EXPECT_EQ(start->text(), QString());
    QTest::keyClicks(start, u"x"_s);
    EXPECT_EQ(start->text(), QString());
    EXPECT_EQ(prompts.asked.size(), 4);
}

TEST_F(Panel, StartPositionFollowsTheSheetStoredInTheDialog)
{
    const auto storeSheet = [this](const QString& across, const QString& down) {
        QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
        PrintOption* dialog = panel->optionDialog();
        for (auto [name, text] : {std::pair{u"txtxNum"_s, across}, std::pair{u"txtyNum"_s, down}}) {
            auto* box = dialog->findChild<QLineEdit*>(name);
            QTest::mouseClick(box, Qt::LeftButton);
            QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(box, text);
        }
        QTest::mouseClick(dialog->findChild<QPushButton*>(u"cmdOption(0)"_s), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    storeSheet(u"3"_s, u"8"_s);
    start->setText(u"24"_s);
    EXPECT_EQ(start->text(), u"24"_s);
    start->setText(u"25"_s);
    EXPECT_EQ(start->text(), QString());

    storeSheet(u"0"_s, u"0"_s); // counts of 0 act as 1
    start->setText(u"1"_s);
    EXPECT_EQ(start->text(), u"1"_s);
    start->setText(u"2"_s);
    EXPECT_EQ(start->text(), QString());
}

TEST_F(Panel, OptionsShowTheirPictureAndTheStartPosition)
{
    auto* image2 = control<QLabel>("Image2");
    auto* image3 = control<QLabel>("Image3");
    EXPECT_TRUE(control<QRadioButton>("Option1")->isChecked());
    EXPECT_FALSE(image2->isHidden());
    EXPECT_TRUE(image3->isHidden());
    control<QRadioButton>("Option2")->click();
    EXPECT_TRUE(image2->isHidden());
    EXPECT_FALSE(image3->isHidden());
    EXPECT_TRUE(start->isHidden());
    EXPECT_TRUE(startLabel->isHidden());
    EXPECT_TRUE(startSuffix->isHidden());
    control<QRadioButton>("Option1")->click();
    EXPECT_FALSE(image2->isHidden());
    EXPECT_TRUE(image3->isHidden());
    EXPECT_FALSE(start->isHidden());
    EXPECT_FALSE(startSuffix->isHidden());
}

TEST_F(Panel, StartPrintsChosenGuestAtItsPositionAndShowsNotice)
{
    chooser->setCurrentText(u"0002"_s);
    start->setText(u"3"_s);
    auto* notice = control<QLabel>("Label54");
    auto* timer = panel->findChild<QTimer*>(u"Timer3"_s);
    EXPECT_TRUE(notice->isHidden());
    clickStart();
    ASSERT_EQ(factory.made.size(), 1);
    const auto& surface = *factory.made[0];
    ASSERT_EQ(surface.texts.size(), 4);
    EXPECT_EQ(surface.texts[0].text, u"〒222-2222"_s);
    EXPECT_EQ(surface.texts[0].x, 10);
    EXPECT_EQ(surface.texts[0].y, 60);
    EXPECT_EQ(surface.ends, 1);
    EXPECT_FALSE(notice->isHidden());
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 5000);
    EXPECT_TRUE(timer->isSingleShot());
    timer->start(1); // let the five seconds pass at once
    for (int i = 0; i < 100 && !notice->isHidden(); ++i)
        QTest::qWait(10);
    EXPECT_TRUE(notice->isHidden());
    EXPECT_FALSE(timer->isActive());
    EXPECT_TRUE(prompts.asked.isEmpty());
}

TEST_F(Panel, StartPrintsEveryRowForAllWithTheStoredFontSize)
{
    writeBytes(dir.printIni(), formatPrintIni(PrintSettings{5, 7, 80, 35, 20, 10, 2, 6, 12}));
    chooser->setCurrentText(u"ALL"_s);
    clickStart();
    const auto& surface = *factory.made[0];
    EXPECT_EQ(surface.fontPoints, 12);
    ASSERT_EQ(surface.texts.size(), 8);
    EXPECT_EQ(surface.texts[0].text, u"〒111-1111"_s);
    EXPECT_EQ(surface.texts[0].x, 5);
    EXPECT_EQ(surface.texts[4].text, u"〒222-2222"_s);
    EXPECT_EQ(surface.texts[4].x, 105);
}

TEST_F(Panel, DataListOptionPrintsTheTable)
{
    control<QRadioButton>("Option2")->click();
    chooser->setCurrentText(u"ALL"_s);
    clickStart();
    const auto& surface = *factory.made[0];
    EXPECT_EQ(surface.orientation, PageOrientation::Landscape);
    EXPECT_EQ(surface.fontPoints, 7);
    EXPECT_EQ(surface.lines.size(), 4);
    EXPECT_EQ(surface.texts[0].text, u"番号"_s);
}

TEST_F(Panel, UnreadableListIsReported)
{
    rows = 1;
    QFile::remove(dir.defaultList());
    QDir().mkpath(dir.defaultList()); // a folder where the list should be
    chooser->setCurrentText(u"ALL"_s);
    clickStart();
    ASSERT_EQ(prompts.asked.size(), 1);
    EXPECT_EQ(prompts.asked[0].title, u"　印刷エラー　Quolda"_s);
    EXPECT_EQ(prompts.asked[0].icon, PromptIcon::Warning);
}

TEST_F(Panel, SettingsButtonEmptiesStartPositionAndOpensOneDialog)
{
    start->setText(u"5"_s);
    QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
    EXPECT_EQ(start->text(), QString());
    PrintOption* dialog = panel->optionDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
    EXPECT_EQ(panel->optionDialog(), dialog);
    EXPECT_EQ(prompts.asked.size(), 1); // the missing-file warning, once
}

} // namespace
