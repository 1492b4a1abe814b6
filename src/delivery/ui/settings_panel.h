// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/operator_prompts.h"
#include "common/program_dir.h"
#include "delivery/campaign_settings.h"
#include "lists/guest_record.h"

#include <QWidget>

#include <array>

class FileDialogMemory;
class QFrame;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QStackedWidget;

// The settings boxes of the entry tab: text file and subject of each step,
// the SMTP server and the sender, and the button that stores them.
class SettingsPanel : public QWidget {
    Q_OBJECT
public:
    SettingsPanel(const ProgramDir& dir, OperatorPrompts& prompts, FileDialogMemory& dialogs,
                  QWidget* parent = nullptr);

    // Fills the boxes and the sending values from config.ini.
    void readSettings();
    // At quit: stores the boxes in config.ini when they differ from what was last
    // read or stored (or there is no file yet), so an unchanged window never
    // writes back values the file no longer holds. A failed write keeps the old file and says so.
    bool writeSettings();
    // The boxes as they stand (text files, subjects) with the leading field.
    CampaignSettings settings() const;
    // The server and sender of the last read or write: what sending uses.
    const QString& smtpServer() const { return smtpServer_; }
    const QString& sender() const { return sender_; }

signals:
    void settingsStored();

private:
    QGroupBox* buildTextFrame();
    QGroupBox* buildSubjectFrame();
    void pickStepFile(int step);
    void storeSettings();
    void openSmtpDetails();
    bool storeToFile();
    void showBoxes(const CampaignSettings& s);

    const ProgramDir& dir_;
    OperatorPrompts& prompts_;
    FileDialogMemory& dialogs_;
    std::array<QLineEdit*, kStepCount> textFiles_{};
    std::array<QLineEdit*, kStepCount> subjects_{};
    QLineEdit* server_ = nullptr;
    QLineEdit* senderBox_ = nullptr;
    QStackedWidget* screens_ = nullptr;
    QGroupBox* textFrame_ = nullptr;
    QGroupBox* subjectFrame_ = nullptr;
    QString leading_;
    QByteArray lastKnown_; // config.ini's line as last read or stored
    QString smtpServer_;
    QString sender_;
};
