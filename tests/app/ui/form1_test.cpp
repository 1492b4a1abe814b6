// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"

#include "common/cp932.h"
#include "common/text_field.h"
#include "delivery/campaign_settings.h"
#include "delivery/mail_text.h"
#include "delivery/ui/send_panel.h"
#include "delivery/send_timer.h"
#include "delivery/ui/settings_panel.h"
#include "exchange/csv_export.h"
#include "lists/list_file.h"
#include "lists/ui/record_editor.h"
#include "operator.h"
#include "recording_surface.h"
#include "recording_transport.h"
#include "test_support.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSemaphore>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace {

// A whole window on a temporary program folder, with scripted seams.
struct Window {
    TestHome home;
    FakeClock clock{QDateTime(QDate(2024, 5, 1), QTime(9, 0))};
    ScriptedPrompts prompts;
    RecordingTransport transport;
    RecordingSurfaceFactory printing;
    ProgramDir dir{home.root()};
    SendTimer timer{home.root(), home.path(u"no-systemctl"_s)};
    Form1 form{dir, Seams{clock, prompts, transport, printing, timer}};

    template <typename T>
    T* find(const QString& name) { return form.findChild<T*>(name); }
    QTabWidget* tabs() { return find<QTabWidget>(u"TabStrip1"_s); }
    QTimer* clockTimer() { return find<QTimer>(u"Timer1"_s); }
    QAction* action(const QString& name) { return find<QAction>(name); }

    // Starts on the list as the operator does and waits out the splash; the
    // answer is to the question whether to send the day's mails now.
    void open(const QString& list, PromptAnswer sendNow = PromptAnswer::No)
    {
        prompts.files = {list};
        prompts.answers = {sendNow};
        form.LoadCurrentList();
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        find<QTimer>(u"Timer2"_s)->start(0);
        QTRY_VERIFY(!find<QLabel>(u"Picture2"_s)->isVisible());
    }
    // config.ini with the server, the sender and one step's subject and text.
    void writeStep(int step, const QString& subject, const QString& text)
    {
        CampaignSettings settings;
        settings.smtpServer = u"smtp.example.jp"_s;
        settings.sender = u"shop@example.jp"_s;
        settings.subjects[size_t(step)] = subject;
        settings.textFiles[size_t(step)] = home.path(u"step%1.txt"_s.arg(step));
        ASSERT_TRUE(writeMailText(settings.textFiles[size_t(step)], text));
        ASSERT_TRUE(writeCampaignSettings(dir.config(), settings));
    }
    void openOnEntryTab(const QString& list)
    {
        open(list);
        op::clickTab(tabs(), 1);
    }
};

// A part Qt builds inside one of its own controls (a combo box's button, a calendar's arrows).
bool isPartOfAQtControl(const QWidget* widget)
{
    for (const QWidget* up = widget->parentWidget(); up; up = up->parentWidget())
        if (qobject_cast<const QComboBox*>(up) || qobject_cast<const QCalendarWidget*>(up) ||
            qobject_cast<const QAbstractSpinBox*>(up) ||
            (qobject_cast<const QAbstractScrollArea*>(up) && !up->objectName().startsWith(u"pageScroll")) ||
            qobject_cast<const QTabBar*>(up) || qobject_cast<const QMenuBar*>(up))
            return true;
    return false;
}

} // namespace

TEST(MainWindow, ShowsItsCaptionTabsAndMenus)
{
    Window w;
    EXPECT_EQ(w.form.windowTitle(), u"Ladderpost for Windows");
    QTabWidget* tabs = w.tabs();
    ASSERT_EQ(tabs->count(), 4);
    EXPECT_EQ(tabs->tabText(0), u" 送信タブレット ");
    EXPECT_EQ(tabs->tabText(1), u" 情報登録/初期設定 ");
    EXPECT_EQ(tabs->tabText(2), u" 帳 票 印 刷 ");
    EXPECT_EQ(tabs->tabText(3), u"オンラインヘルプ");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(qobject_cast<QScrollArea*>(tabs->widget(i))->widget()->objectName(), u"Picture3(%1)"_s.arg(i));
    EXPECT_EQ(w.action(u"mnuTxtOpen"_s)->shortcut(), QKeySequence(u"Ctrl+O"_s));
    EXPECT_EQ(w.action(u"mnuExport"_s)->text(), u"名簿のエクスポート(&G)");
    EXPECT_EQ(w.action(u"mnuLoadSetting"_s)->text(), u"設定読込(&S)");
    EXPECT_TRUE(w.action(u"mnuQuit"_s)->shortcut().isEmpty());
}

TEST(MainWindow, SendTabMenusAndClockRunOnlyOnTheFirstTab)
{
    Window w;
    const QStringList names{u"mnuTxtOpen"_s, u"mnuOverWrite"_s, u"mnuNewWrite"_s, u"mnuLogView"_s, u"mnuScramble"_s};
    for (const QString& name : names)
        EXPECT_TRUE(w.action(name)->isEnabled()) << name.toStdString();
    EXPECT_TRUE(w.clockTimer()->isActive());
    for (int tab : {1, 2, 3}) {
        w.tabs()->setCurrentIndex(tab);
        for (const QString& name : names)
            EXPECT_FALSE(w.action(name)->isEnabled()) << name.toStdString();
        EXPECT_FALSE(w.clockTimer()->isActive());
    }
    w.tabs()->setCurrentIndex(0);
    for (const QString& name : names)
        EXPECT_TRUE(w.action(name)->isEnabled());
    EXPECT_TRUE(w.clockTimer()->isActive());
    EXPECT_TRUE(w.find<QMenu>(u"mnuFile"_s)->isEnabled());
    EXPECT_TRUE(w.find<QMenu>(u"mnuTool"_s)->isEnabled());
}

TEST(MainWindow, CloseRequestLeavesTheWindowOpenAndQuitWritesSettings)
{
    Window w;
    w.form.show();
    QCloseEvent event;
    QCoreApplication::sendEvent(&w.form, &event);
    EXPECT_FALSE(event.isAccepted());
    EXPECT_TRUE(w.form.isVisible());
    EXPECT_FALSE(QFile::exists(w.home.path(u"config.ini"_s)));

    w.action(u"mnuQuit"_s)->trigger();
    EXPECT_TRUE(QFile::exists(w.home.path(u"config.ini"_s)));
    EXPECT_FALSE(w.form.isVisible());
}

// What changed in config.ini while the window was open (the operator's editor,
// another program) survives a quit that changed nothing; a change made in the
// window is stored.
TEST(MainWindow, QuitWritesTheSettingsOnlyWhenTheWindowChangedThem)
{
    Window w;
    const QString config = w.home.path(u"config.ini"_s);
    CampaignSettings settings;
    settings.smtpServer = u"old.example.jp"_s;
    ASSERT_TRUE(writeCampaignSettings(config, settings));
    w.openOnEntryTab(w.home.path(u"guestlst.lst"_s));
    settings.smtpServer = u"new.example.jp"_s;
    ASSERT_TRUE(writeCampaignSettings(config, settings));
    const QByteArray edited = readBytes(config);

    w.action(u"mnuQuit"_s)->trigger();
    EXPECT_EQ(readBytes(config), edited);

    Window again;
    again.openOnEntryTab(again.home.path(u"guestlst.lst"_s));
    again.find<QLineEdit>(u"Text22"_s)->setText(u"shop@example.jp"_s);
    again.action(u"mnuQuit"_s)->trigger();
    EXPECT_TRUE(readBytes(again.home.path(u"config.ini"_s)).contains("shop@example.jp"));
}

TEST(MainWindow, FirstStartInAnEmptyFolderCreatesTheDefaultList)
{
    Window w;
    w.form.LoadCurrentList();
    EXPECT_EQ(w.form.currentListPath(), w.home.path(u"guestlst.lst"_s));
    ASSERT_TRUE(QFile::exists(w.home.path(u"guestlst.lst"_s)));
    EXPECT_EQ(QFile(w.home.path(u"guestlst.lst"_s)).size(), 0);
    EXPECT_EQ(w.find<QLabel>(u"Label23"_s)->text(), u"0");
    EXPECT_EQ(w.find<QListView>(u"List1"_s)->model()->rowCount(), 0);
    EXPECT_EQ(w.find<QComboBox>(u"Combo1"_s)->currentText(), u"-選択-"); // an empty record offers the choice
    EXPECT_TRUE(w.prompts.asked.isEmpty());
}

TEST(MainWindow, LoadFillsKeywordListsCountAndEditor)
{
    Window w;
    const QString list = w.home.path(u"three.lst"_s);
    GuestRecord due = makeGuest(u"山田"_s, u"花子"_s);
    due.fast = due.second = u"2024/05/01"_s;
    due.mail1 = due.mail2 = 1;
    writeList(list, {due, makeGuest(u"佐藤"_s, u"一郎"_s), makeGuest(u"鈴木"_s, u"次郎"_s)});
    w.prompts.files = {list};
    w.prompts.answers = {PromptAnswer::No};
    w.form.LoadCurrentList();

    EXPECT_EQ(w.form.currentListPath(), list);
    for (const char* name : {"Combo3", "Combo4", "Combo5", "Combo6", "Combo7", "Combo8"}) {
        auto* combo = w.find<QComboBox>(QString::fromLatin1(name));
        EXPECT_EQ(combo->count(), 3) << name;
        EXPECT_EQ(combo->currentIndex(), -1) << name;
        EXPECT_EQ(combo->placeholderText(), u"-選択-") << name;
    }
    EXPECT_EQ(w.find<QComboBox>(u"Combo3"_s)->itemText(1), u"佐藤");
    EXPECT_EQ(w.find<QLabel>(u"Label23"_s)->text(), u"3");
    EXPECT_EQ(w.find<QLineEdit>(u"Text1(0)"_s)->text(), u"山田");
    // Two steps due today: listed twice; the operator answered No, so nothing went out.
    EXPECT_EQ(w.find<QListView>(u"List1"_s)->model()->rowCount(), 2);
    ASSERT_EQ(w.prompts.asked.size(), 1);
    EXPECT_EQ(w.prompts.asked[0].text, u"本日の送信対象が見つかりました　直ちに送信しますか？");
    EXPECT_TRUE(w.transport.sent.isEmpty());
}

TEST(MainWindow, LoadingASecondListReplacesTheFirst)
{
    Window w;
    const QString first = w.home.path(u"first.lst"_s);
    const QString second = w.home.path(u"second.lst"_s);
    writeList(first, {makeGuest(u"山田"_s), makeGuest(u"佐藤"_s)});
    writeList(second, {makeGuest(u"鈴木"_s)});
    w.prompts.files = {first, second};
    w.form.LoadCurrentList();
    w.action(u"mnuLoadList"_s)->trigger();
    auto* names = w.find<QComboBox>(u"Combo3"_s);
    ASSERT_EQ(names->count(), 1);
    EXPECT_EQ(names->itemText(0), u"鈴木");
    EXPECT_EQ(w.find<QLabel>(u"Label13"_s)->text(), u"1");
    EXPECT_EQ(w.find<QLineEdit>(u"Text1(0)"_s)->text(), u"鈴木");
}

TEST(MainWindow, CancelledListDialogKeepsTheCurrentList)
{
    Window w;
    const QString list = w.home.path(u"mine.lst"_s);
    writeList(list, {makeGuest(u"山田"_s)});
    w.prompts.files = {list};
    w.form.LoadCurrentList();
    w.action(u"mnuLoadList"_s)->trigger(); // no more scripted files: cancelled
    EXPECT_EQ(w.form.currentListPath(), list);
}

// Opens the pipe's writing end again and again, so a reader waiting on it
// gets an empty pipe instead of hanging the test.
std::jthread pipeReleaser(const QString& path)
{
    return std::jthread([name = QFile::encodeName(path)](std::stop_token stop) {
        while (!stop.stop_requested()) {
            if (const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK); fd >= 0)
                ::close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
}

TEST(MainWindow, UnreadableListIsReportedOnceAndTheWindowGoesOn)
{
    for (const QString& name : {u"gone/missing.lst"_s, u"folder.lst"_s, u"pipe.lst"_s}) {
        Window w;
        const QString list = w.home.path(name);
        if (name == u"folder.lst") {
            ASSERT_TRUE(QDir().mkpath(list));
        } else if (name == u"pipe.lst") {
            ASSERT_EQ(::mkfifo(QFile::encodeName(list).constData(), 0600), 0);
        }
        const std::jthread releaser = pipeReleaser(list);
        w.prompts.files = {list};
        w.form.LoadCurrentList();
        EXPECT_EQ(w.prompts.asked.size(), 1) << name.toStdString();
        EXPECT_TRUE(!w.prompts.asked.isEmpty() && w.prompts.asked[0].text.contains(list)) << name.toStdString();
        EXPECT_EQ(w.find<QLabel>(u"Label23"_s)->text(), u"0");
    }
}

TEST(MainWindow, HelpTabShowsTheBundledPage)
{
    Window w;
    w.tabs()->setCurrentIndex(3);
    auto* help = w.find<QTextBrowser>(u"WebBrowser1"_s);
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->toPlainText().contains(u"キャンペーンの始め方"_s));
}

TEST(MainWindow, HelpCoversTheRunsProvidersReportsHistorySearchCsvAndPrinting)
{
    Window w;
    w.tabs()->setCurrentIndex(3);
    const QString page = w.find<QTextBrowser>(u"WebBrowser1"_s)->toPlainText();
    for (const QString& term : {u"起動時"_s, u"自動送信"_s, u"接続テスト"_s, u"OAuth"_s, u"テスト送信"_s, u"プレビュー"_s,
                                u"残りを送信"_s, u"未送信の宛先"_s, u"送信履歴"_s, u"Ctrl+F"_s, u"表計算ソフト"_s,
                                u"印刷開始"_s, u"F4"_s})
        EXPECT_TRUE(page.contains(term)) << term.toStdString();
}

TEST(MainWindow, NewListBecomesTheCurrentList)
{
    Window w;
    const QString old = w.home.path(u"old.lst"_s);
    writeList(old, {makeGuest(u"山田"_s)});
    w.prompts.files = {old};
    w.form.LoadCurrentList();

    w.action(u"mnuNewList"_s)->trigger();
    auto* dialog = w.find<QDialog>(u"frmNewList"_s);
    ASSERT_TRUE(dialog->isVisible());
    w.find<QLineEdit>(u"txtNewList"_s)->setText(u"spring"_s);
    QTest::mouseClick(w.find<QPushButton>(u"cmdOK"_s), Qt::LeftButton);

    EXPECT_EQ(w.form.currentListPath(), w.home.path(u"spring.lst"_s));
    EXPECT_EQ(readBytes(w.home.path(u"spring.lst"_s)), QByteArray(346, '\0'));
    EXPECT_EQ(w.find<QComboBox>(u"Combo3"_s)->count(), 0);
    EXPECT_EQ(w.find<QLabel>(u"Label23"_s)->text(), u"0");
    EXPECT_EQ(trimRight(ReadGuestRecord(old, 1).value().fName), u"山田");
}

namespace {

// A mouse click where the operator points in the window: it reaches whatever
// control stands there now.
void clickAt(QWidget& window, QPoint point)
{
    QWidget* target = window.childAt(point);
    ASSERT_NE(target, nullptr);
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(&window, point));
}

} // namespace

TEST(MainWindow, PrintingNoticeLeavesTheStartButtonWhereTheOperatorClicks)
{
    Window w;
    writeList(w.dir.defaultList(), {makeGuest(u"山田"_s, u"太郎"_s)});
    w.open(w.dir.defaultList());
    op::clickTab(w.tabs(), 2);
    auto* start = w.find<QPushButton>(u"Command17"_s);
    const QPoint where = start->mapTo(&w.form, start->rect().center());

    clickAt(w.form, where);
    QCoreApplication::processEvents();
    ASSERT_EQ(w.printing.made.size(), 1);
    ASSERT_TRUE(w.find<QLabel>(u"Label54"_s)->isVisible());
    clickAt(w.form, where); // while the notice shows
    EXPECT_EQ(w.printing.made.size(), 2);
    EXPECT_EQ(w.find<QDialog>(u"PrintOption"_s), nullptr);
}

TEST(MainWindow, SplashCoversTheWindowOnlyAfterTheStartUpFileDialog)
{
    Window w;
    auto* splash = w.find<QLabel>(u"Picture2"_s);
    bool splashDuringDialog = true;
    w.prompts.onFileDialog = [&] { splashDuringDialog = splash->isVisible(); };

    w.form.show(); // as main() does, then the list load with its dialog
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.form));
    w.form.LoadCurrentList();
    EXPECT_FALSE(splashDuringDialog);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->geometry(), w.form.rect());
}

TEST(MainWindow, LoadingAndSteppingLeaveAStoredGuestAsItWas)
{
    Window w;
    const QString list = w.home.path(u"guests.lst"_s);
    GuestRecord first = makeGuest(u"山田"_s, u"花子"_s); // delivering, no birth date
    first.shiryou = u"未送付"_s;
    first.fast = u"2024/06/01"_s;
    first.mail1 = 1;
    writeList(list, {first, makeGuest(u"佐藤"_s)});
    const QByteArray before = readBytes(list);

    w.openOnEntryTab(list);
    op::click(w.find<QWidget>(u"UpDown1.up"_s));
    op::click(w.find<QWidget>(u"UpDown1.down"_s));
    op::click(w.find<QPushButton>(u"Command5"_s));
    EXPECT_EQ(readBytes(list), before);
    EXPECT_EQ(w.find<QComboBox>(u"Combo1"_s)->currentText(), u"配信中");
}

TEST(MainWindow, FirstGuestOfANewListGetsTheStatusChoicesNotBlanks)
{
    Window w;
    const QString old = w.home.path(u"old.lst"_s);
    writeList(old, {makeGuest(u"山田"_s)});
    w.openOnEntryTab(old);
    w.action(u"mnuNewList"_s)->trigger();
    op::click(w.find<QLineEdit>(u"txtNewList"_s));
    op::type(u"spring"_s);
    op::click(w.find<QPushButton>(u"cmdOK"_s));
    w.form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.form));

    op::click(w.find<QLineEdit>(u"Text1(0)"_s));
    op::type(u"新人"_s);
    op::click(w.find<QPushButton>(u"Command5"_s));
    const QByteArray saved = readBytes(w.home.path(u"spring.lst"_s));
    ASSERT_EQ(saved.size(), kRecordSize);
    EXPECT_EQ(saved.mid(0, 8), toCp932(u"新人    "));
    EXPECT_EQ(saved.mid(116, 6), toCp932(u"-選択-")); // delivery status
    EXPECT_EQ(saved.mid(122, 6), toCp932(u"-選択-")); // material sent
}

// What a screen reader says for each control: its label or caption.
TEST(MainWindow, EveryControlHasAnAccessibleName)
{
    Window w;
    w.form.show();
    w.tabs()->setCurrentIndex(2);
    QTest::mouseClick(w.find<QPushButton>(u"Command2"_s), Qt::LeftButton); // the label settings dialog
    w.action(u"mnuNewList"_s)->trigger();

    int checked = 0;
    for (QWidget* widget : w.form.findChildren<QWidget*>()) {
        const bool control = qobject_cast<QLineEdit*>(widget) || qobject_cast<QComboBox*>(widget) ||
                             qobject_cast<QAbstractButton*>(widget) || qobject_cast<QAbstractItemView*>(widget) ||
                             qobject_cast<QTextEdit*>(widget) || qobject_cast<QCalendarWidget*>(widget) ||
                             qobject_cast<QAbstractSpinBox*>(widget);
        if (!control || isPartOfAQtControl(widget))
            continue;
        ++checked;
        QAccessibleInterface* access = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(access, nullptr);
        EXPECT_FALSE(access->text(QAccessible::Name).trimmed().isEmpty())
            << widget->objectName().toStdString() << " (" << widget->metaObject()->className() << ")";
    }
    EXPECT_GT(checked, 90);
    auto* family = QAccessible::queryAccessibleInterface(w.find<QLineEdit>(u"Text1(0)"_s));
    EXPECT_EQ(family->text(QAccessible::Name), u"名字");
}

TEST(MainWindow, LongBoxesShowTheirWholeTextAtTheDefaultSize)
{
    Window w;
    const QString list = w.home.path(u"guests.lst"_s);
    GuestRecord guest = makeGuest(u"山田"_s);
    guest.address = u"taro.yamada.sales-division@example.co.jp"_s; // 40 bytes, the most it takes
    guest.CoName = QString(20, u'商');
    guest.jyusyo = QString(20, u'都');
    writeList(list, {guest});
    w.openOnEntryTab(list);
    EXPECT_EQ(w.form.width(), 1000);
    for (const char* name : {"Text1(11)", "Text25(0)", "Text25(2)"}) {
        auto* box = w.find<QLineEdit>(QString::fromLatin1(name));
        box->setCursorPosition(0);
        box->repaint();
        const QString text = box->text();
        // The end of the text fits: a click just past it lands after the last character.
        EXPECT_EQ(box->cursorPositionAt(QPoint(box->width() - 8, box->height() / 2)), text.size()) << name;
        EXPECT_LT(box->cursorPositionAt(QPoint(box->width() / 2, box->height() / 2)), text.size()) << name;
    }
}

TEST(MainWindow, QuitAndListLoadAskAboutUnsavedEdits)
{
    Window w;
    const QString list = w.home.path(u"guests.lst"_s);
    writeList(list, {makeGuest(u"山田"_s, u"花子"_s)});
    const QByteArray before = readBytes(list);
    w.openOnEntryTab(list);
    const qsizetype startAsked = w.prompts.asked.size();
    const qsizetype startDialogs = w.prompts.dialogDirs.size();
    op::clickInText(w.find<QLineEdit>(u"Text1(1)"_s), 2);
    op::type(u"代"_s);

    w.prompts.answers = {PromptAnswer::Cancel};
    w.action(u"mnuQuit"_s)->trigger();
    ASSERT_EQ(w.prompts.asked.size(), startAsked + 1);
    EXPECT_EQ(w.prompts.asked.last().text, u"変更を保存しますか？");
    EXPECT_TRUE(w.form.isVisible());
    EXPECT_FALSE(QFile::exists(w.home.path(u"config.ini"_s)));

    w.prompts.answers = {PromptAnswer::Cancel};
    op::press(Qt::Key_R, Qt::ControlModifier);
    ASSERT_EQ(w.prompts.asked.size(), startAsked + 2);
    EXPECT_EQ(w.prompts.dialogDirs.size(), startDialogs); // no file dialog: the load did not start
    EXPECT_EQ(w.find<QLineEdit>(u"Text1(1)"_s)->text(), u"花子代");
    EXPECT_EQ(readBytes(list), before);

    w.prompts.answers = {PromptAnswer::Yes};
    w.action(u"mnuQuit"_s)->trigger();
    EXPECT_EQ(readBytes(list), encodeGuestRecord(makeGuest(u"山田"_s, u"花子代"_s)));
    EXPECT_FALSE(w.form.isVisible());
}

// 新規レコード, a new list and the CSV import each replace what the editor
// shows, so each asks first; the question comes before anything is written.
TEST(MainWindow, NewRecordNewListAndImportAskAboutUnsavedEdits)
{
    Window w;
    const QString list = w.home.path(u"guests.lst"_s);
    const QList<GuestRecord> guests{makeGuest(u"山田"_s, u"花子"_s), makeGuest(u"佐藤"_s, u"一郎"_s)};
    writeList(list, guests);
    const QString csvSource = w.home.path(u"csv.lst"_s);
    writeList(csvSource, {makeGuest(u"田中"_s)});
    ASSERT_TRUE(exportList(csvSource, w.dir.exchangeCsv()));
    const QByteArray before = readBytes(list);
    w.openOnEntryTab(list);
    auto* given = w.find<QLineEdit>(u"Text1(1)"_s);
    const auto backToTheWindow = [&] {
        w.form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w.form));
    };
    const auto newListOk = [&] { // the name box keeps its text between uses
        w.action(u"mnuNewList"_s)->trigger();
        op::click(w.find<QPushButton>(u"cmdOK"_s));
    };
    op::clickInText(given, 2);
    op::type(u"代"_s);

    qsizetype asked = w.prompts.asked.size();
    const auto expectCancelled = [&](const char* path) {
        SCOPED_TRACE(path);
        ASSERT_EQ(w.prompts.asked.size(), ++asked);
        EXPECT_EQ(w.prompts.asked.last().text, u"変更を保存しますか？");
        EXPECT_EQ(w.prompts.asked.last().buttons, PromptButtons::YesNoCancel);
        EXPECT_EQ(given->text(), u"花子代");
        EXPECT_EQ(w.find<QLabel>(u"Label13"_s)->text(), u"1");
        EXPECT_EQ(readBytes(list), before);
        EXPECT_EQ(w.form.currentListPath(), list);
    };
    w.prompts.answers = {PromptAnswer::Cancel};
    op::click(w.find<QPushButton>(u"Command6"_s));
    expectCancelled("新規レコード");
    w.action(u"mnuNewList"_s)->trigger();
    op::click(w.find<QLineEdit>(u"txtNewList"_s));
    op::type(u"spring"_s);
    w.prompts.answers = {PromptAnswer::Cancel};
    op::click(w.find<QPushButton>(u"cmdOK"_s));
    expectCancelled("新規リスト作成");
    EXPECT_FALSE(QFile::exists(w.home.path(u"spring.lst"_s)));
    EXPECT_TRUE(w.find<QDialog>(u"frmNewList"_s)->isVisible());
    op::click(w.find<QPushButton>(u"cmdCancel"_s));
    backToTheWindow();
    w.prompts.answers = {PromptAnswer::Cancel};
    op::press(Qt::Key_I, Qt::ControlModifier);
    expectCancelled("名簿のインポート"); // and the import's own question never came

    // Yes saves, then the new record starts after the saved guests.
    w.prompts.answers = {PromptAnswer::Yes};
    op::click(w.find<QPushButton>(u"Command6"_s));
    const QByteArray saved = encodeGuestRecord(makeGuest(u"山田"_s, u"花子代"_s)) + before.mid(kRecordSize);
    EXPECT_EQ(readBytes(list), saved);
    EXPECT_EQ(w.find<QLabel>(u"Label13"_s)->text(), u"3");
    EXPECT_TRUE(given->text().isEmpty());

    // Yes before an import writes the new guest; the import covers record 1 only.
    op::click(w.find<QLineEdit>(u"Text1(0)"_s));
    op::type(u"鈴木"_s);
    w.prompts.answers = {PromptAnswer::Yes, PromptAnswer::Ok};
    op::press(Qt::Key_I, Qt::ControlModifier);
    const QByteArray imported = readBytes(list);
    EXPECT_EQ(imported.mid(0, kRecordSize), readBytes(csvSource));
    EXPECT_EQ(imported.mid(kRecordSize, kRecordSize), before.mid(kRecordSize));
    ASSERT_EQ(imported.size(), 3 * kRecordSize);
    EXPECT_EQ(imported.mid(2 * kRecordSize, 8), toCp932(u"鈴木    "));

    // No leaves the list as it was and goes on to the new list.
    op::clickInText(given, 0);
    op::type(u"代"_s);
    w.prompts.answers = {PromptAnswer::No};
    newListOk();
    EXPECT_EQ(w.prompts.asked.last().text, u"変更を保存しますか？");
    EXPECT_EQ(readBytes(list), imported);
    EXPECT_EQ(w.form.currentListPath(), w.home.path(u"spring.lst"_s));
    EXPECT_TRUE(given->text().isEmpty());
}

// The old send-journal.txt is read into the send record at the first start:
// its absolute paths become the list's name in the folder, nothing of it is
// lost, and the history shows one row per mail with what finally became of it.
TEST(MainWindow, OldJournalIsImportedOnceAndTheHistoryShowsOneRowPerMail)
{
    Window w;
    const QString list = w.home.path(u"guestlst.lst"_s);
    GuestRecord yamada = makeGuest(u"山田"_s, u"花子"_s);
    yamada.birthday = u"1970/01/01"_s;
    GuestRecord sato = makeGuest(u"佐藤"_s, u"一郎"_s);
    sato.birthday = u"1970/01/01"_s;
    writeList(list, {yamada, sato});
    const QByteArray path = QFileInfo(list).absoluteFilePath().toUtf8();
    const QByteArray journal =
        "2024-04-30T09:00:00\t" + path + "\t1\t山田花子\ta@example.jp\t3\t2024/04/30\tsending\t\t\n"
        "2024-04-30T09:00:02\t" + path + "\t1\t山田花子\ta@example.jp\t3\t2024/04/30\tsent\t\t[1]-2024_4_30.log\n"
        "2024-04-30T09:00:09\t" + path + "\t2\t佐藤一郎\tb@example.jp\t1\t2024/04/30\trefused\t550 no\t\n"
        "2024-05-01T09:00:00\t" + path + "\t1\t山田花子\ta@example.jp\t4\t2024/05/01\tsending\t\t\n"
        "2024-05-01T09:00:00\t" + path + "\t0\t\t\trun\t2024/05/01\tsent\t\t\n"
        "2024-05-01T09:00";
    writeBytes(w.home.path(u"send-journal.txt"_s), journal);

    w.openOnEntryTab(list);

    auto* history = w.find<QTableWidget>(u"sendHistory"_s);
    ASSERT_TRUE(history && history->isVisible());
    ASSERT_EQ(history->rowCount(), 2);
    EXPECT_EQ(history->item(0, 0)->text(), u"2024/04/30 9:00"_s);
    EXPECT_EQ(history->item(0, 1)->text(), u"３回目"_s);
    EXPECT_EQ(history->item(0, 2)->text(), u"送信済み"_s);
    EXPECT_EQ(history->item(1, 1)->text(), u"４回目"_s);
    EXPECT_EQ(history->item(1, 2)->text(), u"不明"_s);
    op::click(w.find<QWidget>(u"UpDown1.up"_s));
    ASSERT_EQ(history->rowCount(), 1);
    EXPECT_EQ(history->item(0, 2)->text(), u"拒否"_s);
    EXPECT_EQ(history->item(0, 3)->text(), u"550 no"_s);
    EXPECT_FALSE(QFileInfo::exists(w.home.path(u"send-journal.txt"_s)));
    EXPECT_EQ(readBytes(w.home.path(u"send-journal.txt.imported"_s)), journal);
}

// The step chosen beside the switches, for the guest as the boxes show it: the
// mail the send run would make, before anything is saved or sent.
TEST(MainWindow, EntryTabPreviewsTheChosenStepForTheGuestAsTyped)
{
    Window w;
    w.writeStep(3, u"３回目のご案内"_s, u"★★★\n３回目です。"_s);
    GuestRecord yamada = makeGuest(u"山田"_s, u"花子"_s);
    yamada.birthday = u"1970/01/01"_s;
    yamada.address = u"old@example.jp"_s;
    yamada.keisyou = u"様"_s;
    const QString list = w.home.path(u"guestlst.lst"_s);
    writeList(list, {yamada});
    w.openOnEntryTab(list);

    auto* address = w.find<QLineEdit>(u"Text1(11)"_s);
    op::click(address);
    op::press(Qt::Key_A, Qt::ControlModifier);
    op::type(u"hanako@example.jp"_s);
    auto* step = w.find<QComboBox>(u"previewStep"_s);
    ASSERT_TRUE(step && step->isVisible());
    step->setFocus();
    op::press(Qt::Key_Down);
    op::press(Qt::Key_Down);
    op::click(w.find<QPushButton>(u"previewMailButton"_s));

    auto* preview = w.find<QPlainTextEdit>(u"mailPreview"_s);
    ASSERT_NE(preview, nullptr) << (w.prompts.asked.isEmpty() ? "" : w.prompts.asked.last().text.toStdString());
    const QString text = preview->toPlainText();
    EXPECT_TRUE(text.contains(u"宛先（RCPT TO）: hanako@example.jp"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"件名: ３回目のご案内"_s)) << text.toStdString();
    EXPECT_TRUE(text.endsWith(u"山田様\n３回目です。\n2024/05/01 9:00:00"_s)) << text.toStdString();
    EXPECT_TRUE(w.transport.sent.isEmpty());
}

// By keyboard as an operator works: the title names the open list, Tab leaves
// the mail body without typing a tab, Enter presses the button with the focus.
TEST(MainWindow, TitleNamesTheListTabLeavesTheBodyAndEnterPressesTheFocusedButton)
{
    Window w;
    writeList(w.dir.defaultList(), {makeGuest(u"山田"_s, u"太郎"_s)});
    w.open(w.dir.defaultList());
    EXPECT_EQ(w.form.windowTitle(), u"Ladderpost for Windows - guestlst.lst"_s);

    auto* body = w.find<QTextEdit>(u"RichTextBox1"_s);
    op::click(body);
    op::type(u"本文"_s);
    op::press(Qt::Key_Tab, Qt::ControlModifier); // a tab the operator means
    EXPECT_EQ(body->toPlainText(), u"本文\t"_s);
    EXPECT_EQ(w.tabs()->currentIndex(), 0);
    op::press(Qt::Key_Tab);
    EXPECT_EQ(body->toPlainText(), u"本文\t"_s);
    EXPECT_FALSE(body->hasFocus());

    op::clickTab(w.tabs(), 1);
    auto* store = w.find<QPushButton>(u"Command4"_s);
    store->setFocus();
    ASSERT_FALSE(QFile::exists(w.dir.config()));
    op::press(Qt::Key_Return);
    EXPECT_TRUE(QFile::exists(w.dir.config()));
}

// The day's run as the operator starts it: the guest shown in the editor gets
// the mail's row in its history as the run ends, and the status bar says what went.
TEST(MainWindow, AfterARunTheStatusBarSaysWhatWentAndTheShownGuestsHistoryHasIt)
{
    Window w;
    w.writeStep(1, u"初回のご案内"_s, u"★★★\n初回です。"_s);
    QList<GuestRecord> guests;
    for (const auto& [family, address] : {std::pair{u"山田"_s, u"hanako@example.jp"_s}, std::pair{u"佐藤"_s, u"ichiro@example.jp"_s}}) {
        GuestRecord guest = makeGuest(family, u"様"_s);
        guest.birthday = u"1970/01/01"_s;
        guest.address = address;
        guest.fast = u"2024/05/01"_s;
        guest.mail1 = 1;
        guests.append(guest);
    }
    const QString list = w.home.path(u"guestlst.lst"_s);
    writeList(list, guests);
    w.transport.results = {Result<void>(), fail(ErrorKind::RecipientRefused, u"550 no such user"_s)};
    QSemaphore mails; // the run's mails wait until the history was looked at
    w.transport.onSend = [&mails](const OutgoingMail&) { mails.acquire(); };

    w.open(list, PromptAnswer::Yes);
    op::clickTab(w.tabs(), 1);
    auto* history = w.find<QTableWidget>(u"sendHistory"_s);
    ASSERT_EQ(history->rowCount(), 0);
    mails.release(2);
    ASSERT_TRUE(waitUntil([&w] { return !w.form.findChild<SendPanel*>()->isRunning(); }));

    EXPECT_EQ(w.form.statusBar()->currentMessage(), u"送信 1 件・未送信 1 件"_s);
    ASSERT_EQ(history->rowCount(), 1);
    EXPECT_EQ(history->item(0, 1)->text(), u"初回"_s);
    EXPECT_EQ(history->item(0, 2)->text(), u"送信済み"_s);
}

namespace {

// Whatever window a button opened goes away again, so the next button shows.
void closeOtherWindows(const QWidget& form)
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != &form && window->isVisible())
            window->close();
    QCoreApplication::processEvents();
}

} // namespace

// Runs under its own CTest entries, on a 1024x700 screen at 100 % and at 150 %.
TEST(WindowFit, EveryButtonOfEveryTabCanBeScrolledToAndClicked)
{
    Window w;
    const QRect screen = w.form.screen()->availableGeometry();
    if (screen.width() > 1024 || screen.height() > 700)
        GTEST_SKIP() << "Needs the small screen of its own CTest entries.";
    writeList(w.dir.defaultList(), {makeGuest(u"山田"_s, u"太郎"_s)});
    w.open(w.dir.defaultList());
    EXPECT_TRUE(screen.contains(w.form.frameGeometry())) << w.form.x() << "," << w.form.y() << " " << w.form.width() << "x"
                                                    << w.form.height() << " on " << screen.x() << "," << screen.y() << " " << screen.width() << "x" << screen.height();
    EXPECT_LE(w.form.minimumWidth(), screen.width());
    EXPECT_LE(w.form.minimumHeight(), screen.height());
    int clicked = 0;
    for (int tab = 0; tab < w.tabs()->count(); ++tab) {
        op::clickTab(w.tabs(), tab);
        auto* area = qobject_cast<QScrollArea*>(w.tabs()->widget(tab));
        for (QAbstractButton* button : area->widget()->findChildren<QAbstractButton*>()) {
            if (!button->isVisible() || isPartOfAQtControl(button))
                continue;
            area->ensureWidgetVisible(button);
            op::click(button);
            ++clicked;
            closeOtherWindows(w.form);
            op::clickTab(w.tabs(), tab);
        }
    }
    EXPECT_GT(clicked, 30);
}

TEST(MainWindow, KeyboardAloneFindsAGuestPicksADateTicksASwitchAndSaves)
{
    Window w;
    GuestRecord other = makeGuest(u"山田"_s, u"太郎"_s);
    GuestRecord guest = makeGuest(u"佐藤"_s, u"花子"_s);
    guest.second = u"2024/06/10"_s;
    writeList(w.dir.defaultList(), {other, guest});
    w.openOnEntryTab(w.dir.defaultList());

    op::press(Qt::Key_F, Qt::ControlModifier);
    op::type(u"花子"_s);
    op::press(Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w.find<QLineEdit>(u"Text1(0)"_s));
    const auto tabTo = [](QWidget* target) {
        for (int presses = 0; presses < 30 && QApplication::focusWidget() != target; ++presses)
            op::press(Qt::Key_Tab);
        return QApplication::focusWidget() == target;
    };
    ASSERT_TRUE(tabTo(w.find<QLineEdit>(u"Text1(5)"_s)));
    op::press(Qt::Key_F4);
    op::press(Qt::Key_Right);
    op::press(Qt::Key_Right);
    op::press(Qt::Key_Down);
    op::press(Qt::Key_Return);
    EXPECT_EQ(w.find<QLineEdit>(u"Text1(5)"_s)->text(), u"2024/06/19"_s);
    EXPECT_EQ(QApplication::focusWidget(), w.find<QLineEdit>(u"Text1(5)"_s));
    ASSERT_TRUE(tabTo(w.find<QCheckBox>(u"Check1(2)"_s)));
    op::press(Qt::Key_Space);
    ASSERT_TRUE(tabTo(w.find<QPushButton>(u"Command5"_s)));
    op::press(Qt::Key_Return);

    guest.second = u"2024/06/19"_s;
    guest.mail2 = 1;
    const QString expected = w.home.path(u"expected.lst"_s);
    writeList(expected, {other, guest});
    EXPECT_EQ(readBytes(w.dir.defaultList()), readBytes(expected));
}

TEST(MainWindow, TabLeavesTheEditorForTheSettingsColumnOnlyAfterItsLastButton)
{
    Window w;
    writeList(w.dir.defaultList(), {makeGuest(u"山田"_s)});
    w.openOnEntryTab(w.dir.defaultList());
    auto* editor = w.form.findChild<RecordEditor*>();
    auto* settings = w.form.findChild<SettingsPanel*>();
    ASSERT_EQ(QApplication::focusWidget(), w.find<QLineEdit>(u"Text1(0)"_s));
    QStringList visited;
    for (int presses = 0; presses < 80 && editor->isAncestorOf(QApplication::focusWidget()); ++presses) {
        visited.append(QApplication::focusWidget()->objectName());
        op::press(Qt::Key_Tab);
    }
    EXPECT_TRUE(settings->isAncestorOf(QApplication::focusWidget()));
    EXPECT_EQ(visited.last(), u"Command6"_s);
    EXPECT_LT(visited.indexOf(u"Text1(11)"_s), visited.indexOf(u"Check1(0)"_s));
}

TEST(MainWindow, SizePlaceAndTabComeBackInTheProgramFolder)
{
    auto w = std::make_unique<Window>();
    writeList(w->dir.defaultList(), {makeGuest(u"山田"_s)});
    w->open(w->dir.defaultList());
    w->form.resize(900, 640);
    op::clickTab(w->tabs(), 2);
    const QSize size = w->form.size();
    w->action(u"mnuQuit"_s)->trigger();
    EXPECT_TRUE(QFileInfo::exists(w->home.path(u"window.ini"_s)));

    Form1 again{w->dir, Seams{w->clock, w->prompts, w->transport, w->printing, w->timer}};
    EXPECT_EQ(again.size(), size);
    EXPECT_EQ(again.findChild<QTabWidget*>(u"TabStrip1"_s)->currentIndex(), 2);
    EXPECT_FALSE(again.windowIcon().isNull());
    EXPECT_TRUE(again.windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST(MainWindow, StoredSettingsAndAnImportAreConfirmedInTheStatusBarWithoutABox)
{
    Window w;
    writeList(w.dir.defaultList(), {makeGuest(u"山田"_s)});
    w.openOnEntryTab(w.dir.defaultList());
    auto* bar = w.find<QStatusBar>(u"statusBar"_s);
    ASSERT_NE(bar, nullptr);
    const qsizetype asked = w.prompts.asked.size();
    op::click(w.find<QPushButton>(u"Command4"_s));
    EXPECT_EQ(bar->currentMessage(), u"設定データを更新しました"_s);
    EXPECT_EQ(w.prompts.asked.size(), asked);

    ASSERT_TRUE(exportList(w.dir.defaultList(), w.dir.exchangeCsv()));
    w.prompts.answers = {PromptAnswer::Ok};
    w.action(u"mnuImport"_s)->trigger();
    EXPECT_EQ(bar->currentMessage(), u"「Quolda.csv」から 1 件を取り込みました"_s);
    EXPECT_EQ(w.prompts.asked.size(), asked + 1); // the question before, nothing after
}
