#pragma once

#include "common/clock.h"
#include "common/error.h"
#include "common/operator_prompts.h"
#include "common/program_dir.h"
#include "delivery/guest_lookup.h"
#include "delivery/mail_transport.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

class FileDialogMemory;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTextEdit;
class QTimer;
class SettingsPanel;

// What became of one mail of a run.
enum class SendOutcome {
    Sent,
    Skipped, // not sent (nothing prepared, address refused); the run goes on
    Fatal,   // the program has been told to end; the run stops at once
};

struct SendResult {
    SendOutcome outcome;
    QString reason; // why a mail was skipped, for the report after the run
};

// The sending tab: the send list, the mail about to go out, the clock and
// every send mode (scheduled, target, scramble).
class SendPanel : public QWidget {
    Q_OBJECT
public:
    SendPanel(const ProgramDir& dir, Clock& clock, OperatorPrompts& prompts,
              MailTransport& transport, ProgramControl& control, SettingsPanel& settings,
              FileDialogMemory& dialogs, std::function<QString()> listPath,
              QWidget* parent = nullptr);

    // List load: forget a picked name and empty the send list, then fill it.
    void resetForLoad();
    void setSendList(const QList<DueEntry>& entries);
    void clearLoadedFile();
    void setStartupDay(int day);
    // Asks whether to send today's mails now, when any are listed.
    void startupPrompt();

    void setClockRunning(bool on);
    void hideScrambleButton();
    void showScrambleButton();
    void onSettingsStored();

    // Transmits and logs the prepared mail of the current scramble guest.
    SendResult Send_Scramble();

    void openText();
    void saveTextAs();
    void overwriteText();
    void openSendLog();

    // One tick of Timer1: the clock, and at a change of day the scan and send.
    void onTimer1Tick();
    // The send loop over the lines of List1 (start-up Yes, change of day).
    void runSendLoop();
    bool isRunning() const { return running_; }

signals:
    // The list search counted the guests of the list (for Label23).
    void guestCountFound(int count);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void onTargetSendClicked();
    void onScrambleClicked();
    void onListSearch();
    void onNamePick(QListWidgetItem* item);
    void onListClear();

    void addLines(const QList<DueEntry>& entries);
    std::optional<QString> prepareLine(const DueEntry& entry);
    SendResult targetSend();
    SendResult transmit(const QString& logName);
    SendResult endWith(const QString& heading, const QString& text);
    // Sends line 0 of List1 until it is empty; the skipped lines, or nothing
    // when the program has been told to end.
    std::optional<QStringList> runLines(const std::function<SendResult()>& sendOne);
    void reportSkipped(const QStringList& skipped);
    void clearForScan();
    void clearMail();
    bool loadBody(const QString& path);
    void writeBody(const QString& path);
    void warnList(const Error& error);
    QString bodyText() const;
    void setBodyText(const QString& text);

    const ProgramDir& dir_;
    Clock& clock_;
    OperatorPrompts& prompts_;
    MailTransport& transport_;
    ProgramControl& control_;
    SettingsPanel& settings_;
    FileDialogMemory& dialogs_;
    std::function<QString()> listPath_;

    QListWidget* list1_ = nullptr;
    QPushButton* command1_ = nullptr;
    QPushButton* command3_ = nullptr;
    QPushButton* command18_ = nullptr;
    QPushButton* command19_ = nullptr;
    QLabel* label46_ = nullptr;
    QLineEdit* text23_ = nullptr;
    QLineEdit* text24_ = nullptr;
    QTextEdit* body_ = nullptr;  // RichTextBox1
    QTextEdit* body2_ = nullptr; // RichTextBox2
    QLabel* label3_ = nullptr;
    QTimer* timer1_ = nullptr;

    QString text20_;   // display name of the guest being processed
    QString label2_;   // its trimmed mail address
    QString text30_;   // its honorific
    QString txtScramble_;
    QString openTextFile_;
    QString currentRecipientName_;
    bool singleSendPending_ = false;
    int dayLastSeen_ = 0; // 0 until the list load stores the start-up day
    bool running_ = false;
};
