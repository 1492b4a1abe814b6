// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/seams.h"
#include "common/program_dir.h"

#include <QMainWindow>
#include <functional>
#include <memory>

class DataListPanel;
class ExchangeCommands;
class FileDialogMemory;
class NewListDialog;
class PrintPanel;
class QAction;
class QLabel;
class QMenu;
class QTabWidget;
class QTextBrowser;
class QTimer;
class RecordEditor;
class SendHistoryView;
class SendPanel;
class SettingsPanel;

// The main window: four tab pages, the menus, the splash, and the list load
// that ties the pages together. The pages do their own work.
class Form1 : public QMainWindow {
    Q_OBJECT

public:
    Form1(const ProgramDir& dir, Seams seams, QWidget* parent = nullptr);
    ~Form1() override;

    void LoadCurrentList();
    void No_Terminate();

    const QString& currentListPath() const { return listPath_; }
    // A short confirmation in the status bar: what a command did, no box to close.
    void showStatus(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildPages();
    void buildMenus();
    // One menu item; an item without a name is a separator.
    struct MenuItem {
        const char* name = nullptr;
        QString caption;
        const char* shortcut = "";
        std::function<void()> run;
    };
    QMenu* addMenu(const char* name, const QString& caption, const QList<MenuItem>& items);
    void buildSplash();
    void onTabChanged(int index);
    void walkList();
    void showListName();
    void quit();
    void importCsv();
    void onListCreated(const QString& path);
    void onSettingsStored();
    QString windowSettingsPath() const;
    void restoreWindow();
    QSize unscrolledSize() const;
    void rememberWindow();

    ProgramDir dir_;
    Seams seams_;
    QString listPath_;
    bool quitting_ = false;

    std::unique_ptr<FileDialogMemory> dialogMemory_;
    std::unique_ptr<ExchangeCommands> exchange_;
    QTabWidget* tabs_ = nullptr;
    QLabel* splash_ = nullptr;
    QTimer* splashTimer_ = nullptr;
    SendPanel* sendPanel_ = nullptr;
    SendHistoryView* history_ = nullptr;
    RecordEditor* editor_ = nullptr;
    SettingsPanel* settingsPanel_ = nullptr;
    DataListPanel* dataList_ = nullptr;
    PrintPanel* printPanel_ = nullptr;
    QTextBrowser* help_ = nullptr;
    NewListDialog* newListDialog_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QList<QAction*> sendTabActions_;
};
