// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"

#include "common/clock.h"
#include "common/operator_prompts.h"
#include "common/ui/tab_chain.h"
#include "datalist/ui/data_list_panel.h"
#include "delivery/guest_lookup.h"
#include "delivery/ui/file_dialog_memory.h"
#include "delivery/ui/mail_text_pane.h"
#include "delivery/ui/send_history_view.h"
#include "delivery/ui/send_panel.h"
#include "delivery/ui/settings_panel.h"
#include "exchange/ui/exchange_commands.h"
#include "lists/list_file.h"
#include "lists/ui/new_list_dialog.h"
#include "lists/ui/record_editor.h"
#include "printing/ui/print_panel.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>
#include <QResizeEvent>
#include <QScrollArea>
#include <QSettings>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

enum Tab { SendTab, RegisterTab, PrintTab, HelpTab };

QWidget* page(int index)
{
    auto* widget = new QWidget;
    widget->setObjectName(QStringLiteral("Picture3(%1)").arg(index));
    return widget;
}

// A page taller or wider than a small screen scrolls instead of pushing the window off it.
QScrollArea* scrolled(QWidget* page, int index)
{
    auto* area = new QScrollArea;
    area->setObjectName(QStringLiteral("pageScroll(%1)").arg(index));
    area->setWidget(page);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    return area;
}

// A 1024x700 screen at 150 % is 683x467 of the window's own pixels.
constexpr QSize kSmallest(640, 400);
// Room for the desktop's frame and title bar, unknown before the window shows.
constexpr QSize kFrame(16, 48);

} // namespace

Form1::Form1(const ProgramDir& dir, Seams seams, QWidget* parent)
    : QMainWindow(parent),
      dir_(dir),
      seams_(seams),
      dialogMemory_(std::make_unique<FileDialogMemory>(seams.prompts)),
      exchange_(std::make_unique<ExchangeCommands>(dir_, seams.prompts))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Ladderpost for Windows"));
    // No close box: only the quit command ends the program.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowMaximizeButtonHint);
    setWindowIcon(QIcon(QStringLiteral(":/icon/ladderpost.png")));
    buildPages();
    buildMenus();
    buildSplash();
    // Enter presses the button that has the focus, as in a dialog.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(true);
    setMinimumSize(kSmallest);
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    onTabChanged(SendTab);
    restoreWindow();
}

Form1::~Form1() = default;

void Form1::buildPages()
{
    const auto listPath = [this] { return listPath_; };
    tabs_ = new QTabWidget;
    tabs_->setObjectName(QStringLiteral("TabStrip1"));

    QWidget* sendPage = page(SendTab);
    settingsPanel_ = new SettingsPanel(dir_, seams_.prompts, *dialogMemory_, seams_.timer, seams_.transport);
    sendPanel_ = new SendPanel(dir_, seams_.clock, seams_.prompts, seams_.transport,
                               *settingsPanel_, *dialogMemory_, listPath);
    (new QVBoxLayout(sendPage))->addWidget(sendPanel_);

    QWidget* registerPage = page(RegisterTab);
    editor_ = new RecordEditor(listPath, seams_.clock, seams_.prompts);
    history_ = new SendHistoryView(dir_.root());
    auto* registerLayout = new QHBoxLayout(registerPage);
    registerLayout->addWidget(editor_, 2);
    auto* settingsColumn = new QVBoxLayout;
    settingsColumn->addWidget(settingsPanel_, 3);
    settingsColumn->addWidget(history_, 1);
    registerLayout->addLayout(settingsColumn, 1);
    // The settings column was made first; Tab still goes through the editor before it.
    setTabChain(editor_->tabChain() + tabChainOf(settingsPanel_) + tabChainOf(history_));
    connect(editor_, &RecordEditor::recordShown, history_, [this](int n) { history_->showGuest(listPath_, n); });
    connect(sendPanel_, &SendPanel::sendRecordChanged, history_, &SendHistoryView::refresh);
    connect(sendPanel_, &SendPanel::confirmed, this, &Form1::showStatus);
    connect(editor_, &RecordEditor::mailPreviewAsked, sendPanel_, &SendPanel::previewGuestMail);

    QWidget* printPage = page(PrintTab);
    dataList_ = new DataListPanel(listPath, seams_.prompts);
    printPanel_ = new PrintPanel(dir_, seams_.prompts, seams_.printing,
                                 PrintTarget{dataList_->chooser(), dataList_->startPosition(),
                                             dataList_->startLabel(), dataList_->startSuffix(),
                                             [this] { return dataList_->rowCount(); }, listPath});
    auto* printLayout = new QVBoxLayout(printPage);
    printLayout->addWidget(dataList_, 1);
    printLayout->addWidget(printPanel_);

    QWidget* helpPage = page(HelpTab);
    help_ = new QTextBrowser;
    help_->setObjectName(QStringLiteral("WebBrowser1"));
    help_->setAccessibleName(QStringLiteral("オンラインヘルプ"));
    help_->setOpenExternalLinks(false);
    (new QVBoxLayout(helpPage))->addWidget(help_);

    tabs_->addTab(scrolled(sendPage, 0), QStringLiteral(" 送信タブレット "));
    tabs_->addTab(scrolled(registerPage, 1), QStringLiteral(" 情報登録/初期設定 "));
    tabs_->addTab(scrolled(printPage, 2), QStringLiteral(" 帳 票 印 刷 "));
    tabs_->addTab(scrolled(helpPage, 3), QStringLiteral("オンラインヘルプ"));
    setCentralWidget(tabs_);
    connect(tabs_, &QTabWidget::currentChanged, this, &Form1::onTabChanged);
    connect(settingsPanel_, &SettingsPanel::settingsStored, this, &Form1::onSettingsStored);
    connect(settingsPanel_, &SettingsPanel::statusMessage, this, &Form1::showStatus);
    connect(sendPanel_, &SendPanel::guestCountFound, editor_, &RecordEditor::setGuestCount);

    newListDialog_ =
        new NewListDialog(dir_, seams_.prompts, [this] { return editor_->mayLeaveShownRecord(); }, this);
    connect(newListDialog_, &NewListDialog::listCreated, this, &Form1::onListCreated);
}

QMenu* Form1::addMenu(const char* name, const QString& caption, const QList<MenuItem>& items)
{
    QMenu* menu = menuBar()->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    for (const MenuItem& item : items) {
        if (!item.name) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(item.caption);
        action->setObjectName(QString::fromLatin1(item.name));
        action->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
        connect(action, &QAction::triggered, this, item.run);
    }
    return menu;
}

void Form1::buildMenus()
{
    const MenuItem separator{};
    fileMenu_ = addMenu("mnuFile", QStringLiteral("ファイル(&F)"),
                        {{"mnuTxtOpen", QStringLiteral("開く(&O)"), "Ctrl+O", [this] { sendPanel_->textPane()->openText(); }},
                         {"mnuOverWrite", QStringLiteral("上書き保存(&S)"), "Ctrl+S", [this] { sendPanel_->textPane()->overwriteText(); }},
                         {"mnuNewWrite", QStringLiteral("名前を付けて保存(&E)"), "Ctrl+E", [this] { sendPanel_->textPane()->saveTextAs(); }},
                         separator,
                         {"mnuNewList", QStringLiteral("新規リスト作成(&N)"), "Ctrl+N", [this] { newListDialog_->show(); }},
                         {"mnuLoadList", QStringLiteral("既存リスト読込(&R)"), "Ctrl+R", [this] { LoadCurrentList(); }},
                         separator,
                         {"mnuQuit", QStringLiteral("終了(&Q)"), "", [this] { quit(); }}});
    addMenu("mnuTool", QStringLiteral("ツール(&T)"),
            {{"mnuLogView", QStringLiteral("送信ログを開く(&L)"), "Ctrl+L", [this] { sendPanel_->textPane()->openSendLog(); }},
             separator,
             {"mnuImport", QStringLiteral("名簿のインポート(&I)"), "Ctrl+I", [this] { importCsv(); }},
             {"mnuExport", QStringLiteral("名簿のエクスポート(&G)"), "Ctrl+G", [this] { exchange_->ExportCsv(listPath_); }},
             separator,
             {"mnuScramble", QStringLiteral("スクランブル配信"), "", [this] { sendPanel_->showScrambleButton(); }}});

    QAction* loadSetting = menuBar()->addAction(QStringLiteral("設定読込(&S)"));
    loadSetting->setObjectName(QStringLiteral("mnuLoadSetting"));
    connect(loadSetting, &QAction::triggered, settingsPanel_, &SettingsPanel::readSettings);

    for (const char* name : {"mnuTxtOpen", "mnuOverWrite", "mnuNewWrite", "mnuLogView", "mnuScramble"})
        sendTabActions_.append(findChild<QAction*>(QString::fromLatin1(name)));
}

void Form1::buildSplash()
{
    QPixmap picture(1126, 750);
    picture.fill(QColor(0, 64, 128));
    QPainter painter(&picture);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPointSize(36);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(picture.rect().adjusted(0, 0, 0, -120), Qt::AlignCenter, QStringLiteral("Ladderpost"));
    font.setPointSize(16);
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(picture.rect().adjusted(0, 120, 0, 0), Qt::AlignCenter, QStringLiteral("ステップメール配信システム"));
    painter.end();

    splash_ = new QLabel(this);
    splash_->setObjectName(QStringLiteral("Picture2"));
    splash_->setPixmap(picture);
    splash_->setScaledContents(true);
    // Hidden until the list load: the start-up file dialog comes first.
    splash_->hide();
    splashTimer_ = new QTimer(this);
    splashTimer_->setObjectName(QStringLiteral("Timer2"));
    splashTimer_->setSingleShot(true);
    splashTimer_->setInterval(2000);
    connect(splashTimer_, &QTimer::timeout, splash_, &QWidget::hide);
}

void Form1::LoadCurrentList()
{
    if (!editor_->mayLeaveShownRecord())
        return;
    const QString chosen = seams_.prompts.openFile(dir_.root(), QStringLiteral("*.lst"), QStringLiteral("*.lst"));
    if (!chosen.isEmpty())
        listPath_ = chosen;
    if (listPath_.isEmpty())
        listPath_ = dir_.defaultList();
    splashTimer_->start();
    splash_->setGeometry(rect());
    splash_->show();
    splash_->raise();
    sendPanel_->setStartupDay(seams_.clock.today());
    No_Terminate();
    sendPanel_->resetForLoad();
    editor_->setCurrentRecord(1);
    walkList();
    sendPanel_->clearLoadedFile();
    settingsPanel_->readSettings();
    settingsPanel_->refreshAutoSend();
    sendPanel_->startupPrompt();
}

// One read of the list fills the editor, the keyword lists, the count and the send list.
void Form1::walkList()
{
    showListName();
    auto bytes = readListFile(listPath_);
    if (bytes) {
        editor_->ShowRecord(1);
    } else {
        // Said once here: the editor would only fail on the same file again.
        seams_.prompts.warn(messageTitle(QStringLiteral("　ファイルエラー　")), bytes.error().message);
        bytes = QByteArray();
    }
    const DueScan scan = scanDueGuestsIn(*bytes, seams_.clock.today());
    sendPanel_->setSendList(scan.entries);
    editor_->setGuestCount(scan.guestCount);
    editor_->fillKeywordLists(std::move(*bytes), scan.guestCount);
}

void Form1::No_Terminate() { quitting_ = false; }

void Form1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    splash_->setGeometry(rect());
}

void Form1::closeEvent(QCloseEvent* event)
{
    if (quitting_)
        event->accept();
    else
        event->ignore();
}

void Form1::onTabChanged(int index)
{
    const bool sending = index == SendTab;
    for (QAction* action : std::as_const(sendTabActions_))
        action->setEnabled(sending);
    sendPanel_->setClockRunning(sending);
    if (!sending)
        sendPanel_->hideScrambleButton();
    if (index == RegisterTab)
        editor_->prepareForTab();
    else if (index == PrintTab)
        dataList_->refreshForTab();
    else if (index == HelpTab)
        help_->setSource(QUrl(QStringLiteral("qrc:/help/index.html")));
}

void Form1::quit()
{
    if (!editor_->mayLeaveShownRecord())
        return;
    if (!settingsPanel_->writeSettings()) {
        const auto answer = seams_.prompts.message(messageTitle(QStringLiteral("　終了の確認　")),
                                                   QStringLiteral("設定を保存できませんでした。このまま終了しますか？"),
                                                   PromptIcon::Question, PromptButtons::YesNo);
        if (answer != PromptAnswer::Yes)
            return;
    }
    rememberWindow();
    quitting_ = true;
    close();
    QCoreApplication::quit();
}

void Form1::importCsv()
{
    // The import may overwrite the shown guest, so edits are settled first.
    if (!editor_->mayLeaveShownRecord())
        return;
    const std::optional<int> imported = exchange_->ImportCsv(listPath_);
    if (!imported)
        return;
    editor_->RefreshKeywordLists();
    editor_->ShowRecord(1);
    editor_->setGuestCount(*imported);
    showStatus(QStringLiteral("「Quolda.csv」から %1 件を取り込みました").arg(*imported));
}

void Form1::showStatus(const QString& text) { statusBar()->showMessage(text); }

QString Form1::windowSettingsPath() const { return dir_.file(QStringLiteral("window.ini")); }

// Where the operator left the window; the usual size the first time.
void Form1::restoreWindow()
{
    const QSettings saved(windowSettingsPath(), QSettings::IniFormat);
    if (!restoreGeometry(saved.value(QStringLiteral("geometry")).toByteArray()))
        resize(QSize(1000, 660).expandedTo(unscrolledSize()).boundedTo(screen()->availableGeometry().size() - kFrame));
    tabs_->setCurrentIndex(saved.value(QStringLiteral("tab"), int(SendTab)).toInt());
}

// The window that shows every page whole, with the bars and the tab frame around it.
QSize Form1::unscrolledSize() const
{
    QSize page;
    for (int i = 0; i < tabs_->count(); ++i)
        page = page.expandedTo(static_cast<QScrollArea*>(tabs_->widget(i))->widget()->minimumSizeHint());
    const int frame = 2 * tabs_->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 4;
    return page + QSize(frame, frame + tabs_->tabBar()->sizeHint().height() + menuBar()->sizeHint().height()
                                   + statusBar()->sizeHint().height());
}

void Form1::rememberWindow()
{
    QSettings saved(windowSettingsPath(), QSettings::IniFormat);
    saved.setValue(QStringLiteral("geometry"), saveGeometry());
    saved.setValue(QStringLiteral("tab"), tabs_->currentIndex());
}

// The program's caption stays; the open list follows it.
void Form1::showListName()
{
    setWindowTitle(QStringLiteral("Ladderpost for Windows - ") + QFileInfo(listPath_).fileName());
}

void Form1::onListCreated(const QString& path)
{
    listPath_ = path;
    showListName();
    editor_->clearForNewList();
}

void Form1::onSettingsStored()
{
    fileMenu_->setEnabled(true);
    sendPanel_->onSettingsStored();
}
