// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/clock.h"
#include "common/error.h"
#include "common/operator_prompts.h"
#include "common/program_dir.h"
#include "delivery/guest_lookup.h"
#include "delivery/send_plan.h"
#include "delivery/send_run.h"
#include "smtp/mail_transport.h"

#include <QDate>
#include <QString>
#include <QWidget>

#include <chrono>
#include <functional>
#include <optional>

class FileDialogMemory;
class MailboxBox;
class MailTextPane;
class QLabel;
class QListView;
class QModelIndex;
class QProgressBar;
class QPushButton;
class QTimer;
class RunReportWindow;
class SendQueueModel;
class SendWorker;
class SettingsPanel;

// The sending tab: the send list, the mail about to go out, the clock and the
// send modes. Every run goes to the send worker; this only shows and asks.
class SendPanel : public QWidget {
    Q_OBJECT
public:
    SendPanel(const ProgramDir& dir, Clock& clock, OperatorPrompts& prompts,
              MailTransport& transport, SettingsPanel& settings, FileDialogMemory& dialogs,
              std::function<QString()> listPath, QWidget* parent = nullptr);
    ~SendPanel() override;

    // List load: forget a picked name and empty the send list, then fill it.
    void resetForLoad();
    void setSendList(const QList<DueEntry>& entries);
    void clearLoadedFile();
    // The day whose due mails the list load listed; later days are the timer's.
    void setStartupDay(const QDate& day);
    // Reads the mailbox when one is set, then asks whether to send today's mails
    // now, when any are listed.
    void startupPrompt();

    void setClockRunning(bool on);
    void hideScrambleButton();
    void showScrambleButton();
    void onSettingsStored();

    // The mail text and its file commands (the File menu's).
    MailTextPane* textPane() const { return textPane_; }

    // One tick of Timer1: the clock, and for each day not yet scanned the scan and send.
    void onTimer1Tick();
    // Sends the step lines of List1 (start-up Yes, change of day, 残りを送信).
    void runSendLoop();
    bool isRunning() const { return running_; }
    // The step's mail as that guest would get it today (step 0 the repeat mail).
    void previewGuestMail(const GuestRecord& guest, int step);

signals:
    // The list search counted the guests of the list (for Label23).
    void guestCountFound(int count);
    // A run ended, or the mailbox stopped guests: the send record changed.
    void sendRecordChanged();
    // What a run did, for the status bar.
    void confirmed(const QString& text);

private:
    void buildLayout();
    QWidget* buildProgressRow();
    void onTargetSendClicked();
    void onScrambleClicked();
    void onListSearch();
    void onNamePick(const QModelIndex& index);
    void onListClear();
    void onTestSendClicked();
    void onPreviewClicked();
    // The selected List1 line with what it would send: its step's mail, or the opened text.
    std::optional<SendJob> selectedJob(bool test);
    void showPreview(const QString& guestName, const Result<OutgoingMail>& mail);

    void askAboutToday();
    void sendNewDay(const QDateTime& now);
    QList<DueEntry> offerCatchUp(const QList<DueEntry>& late);
    void resendUncertain(const DueEntry& line);
    void startRun(MailKind kind, std::optional<MailContent> content, const QList<DueEntry>& lines,
                  bool clearAfter);
    // The run's settings as they stand now; empty (and said why) when smtp.ini cannot be used.
    void startJob(const SendJob& job, bool clearAfter);
    void beginRun(const SendJob& job, bool clearAfter);
    std::optional<SendJob> jobFor(MailKind kind, std::optional<MailContent> content, const QList<DueEntry>& lines);
    void onMailStarting(int index, int total, const DueEntry& line);
    void onLineDone(const LineOutcome& outcome);
    void onRunFinished(const RunSummary& summary);
    void report(const RunSummary& summary, const QDateTime& when);
    void warnStop(const RunSummary& summary);
    void updateButtons();

    void clearForScan();
    void clearMail();
    void warnList(const Error& error);

    const ProgramDir& dir_;
    Clock& clock_;
    OperatorPrompts& prompts_;
    SettingsPanel& settings_;
    FileDialogMemory& dialogs_;
    std::function<QString()> listPath_;
    SendWorker* worker_ = nullptr;

    SendQueueModel* queue_ = nullptr;
    QListView* sendList_ = nullptr;          // List1
    QPushButton* searchButton_ = nullptr;    // Command1
    QPushButton* targetButton_ = nullptr;    // Command3
    QPushButton* scrambleButton_ = nullptr;  // Command18
    QPushButton* clearButton_ = nullptr;     // Command19
    QPushButton* resendButton_ = nullptr;    // sends the step lines left in List1
    QPushButton* testSendButton_ = nullptr;  // the selected line's mail to the sender
    QPushButton* previewButton_ = nullptr;   // the selected line's mail, shown
    MailTextPane* textPane_ = nullptr;
    MailboxBox* mailbox_ = nullptr;
    QLabel* noticeMissing_ = nullptr;        // the mails go without the sender's notice
    QTimer* timer1_ = nullptr;
    QWidget* progressRow_ = nullptr;
    QLabel* progressLabel_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    RunReportWindow* reportWindow_ = nullptr;

    std::optional<DueEntry> pickedLine_; // the guest the target send goes to
    QString scrambleTextFile_;           // txtScramble
    QDate lastScannedDay_;               // invalid until the list load
    QDateTime nextRetryCheck_;
    QDateTime runStarted_;
    std::chrono::milliseconds pause_{0};
    bool running_ = false;
    bool testRun_ = false; // a test send leaves List1 as it was
    bool clearAfterRun_ = true; // a target send keeps the text for the next pick
};
