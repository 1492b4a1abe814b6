// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/ui/send_panel.h"

#include "delivery/run_report.h"
#include "delivery/send_worker.h"
#include "delivery/ui/mail_text_pane.h"
#include "delivery/ui/mailbox_box.h"
#include "delivery/ui/run_report_window.h"
#include "delivery/ui/send_queue_model.h"
#include "delivery/ui/settings_panel.h"

#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

SendPanel::SendPanel(const ProgramDir& dir, Clock& clock, OperatorPrompts& prompts,
                     MailTransport& transport, SettingsPanel& settings, FileDialogMemory& dialogs,
                     std::function<QString()> listPath, QWidget* parent)
    : QWidget(parent), dir_(dir), clock_(clock), prompts_(prompts), settings_(settings),
      dialogs_(dialogs), listPath_(std::move(listPath)), worker_(new SendWorker(transport, clock, this))
{
    buildLayout();
    reportWindow_ = new RunReportWindow(this);
    reportWindow_->setWindowFlag(Qt::Window);
    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(1000);
    connect(timer1_, &QTimer::timeout, this, &SendPanel::onTimer1Tick);
    timer1_->start();

    connect(searchButton_, &QPushButton::clicked, this, &SendPanel::onListSearch);
    connect(targetButton_, &QPushButton::clicked, this, &SendPanel::onTargetSendClicked);
    connect(scrambleButton_, &QPushButton::clicked, this, &SendPanel::onScrambleClicked);
    connect(clearButton_, &QPushButton::clicked, this, &SendPanel::onListClear);
    connect(resendButton_, &QPushButton::clicked, this, &SendPanel::runSendLoop);
    connect(testSendButton_, &QPushButton::clicked, this, &SendPanel::onTestSendClicked);
    connect(previewButton_, &QPushButton::clicked, this, &SendPanel::onPreviewClicked);
    connect(cancelButton_, &QPushButton::clicked, this, [this] {
        worker_->cancel();
        cancelButton_->setEnabled(false);
        progressLabel_->setText(QStringLiteral("送信中のメールの後で止めます…"));
    });
    connect(sendList_, &QListView::clicked, this, &SendPanel::onNamePick);
    connect(sendList_, &QListView::activated, this, &SendPanel::onNamePick); // Enter on a line, for the keyboard
    connect(worker_->run(), &SendRun::mailStarting, this, &SendPanel::onMailStarting);
    connect(worker_->run(), &SendRun::lineDone, this, &SendPanel::onLineDone);
    connect(worker_->run(), &SendRun::finished, this, &SendPanel::onRunFinished);
    connect(reportWindow_, &RunReportWindow::resendRequested, this, &SendPanel::resendUncertain);
    connect(textPane_, &MailTextPane::textOpened, this, [this](const QString& path) {
        if (!scrambleButton_->isHidden()) {
            scrambleTextFile_ = path;
            scrambleButton_->setEnabled(true);
        }
    });
    connect(textPane_, &MailTextPane::bodyEmptied, this, [this] { scrambleButton_->setEnabled(false); });
    connect(mailbox_, &MailboxBox::guestsStopped, this, &SendPanel::sendRecordChanged);
    connect(queue_, &QAbstractItemModel::modelReset, this, &SendPanel::updateButtons);
    connect(queue_, &QAbstractItemModel::rowsInserted, this, &SendPanel::updateButtons);
    connect(queue_, &QAbstractItemModel::rowsRemoved, this, &SendPanel::updateButtons);
    updateButtons();
}

SendPanel::~SendPanel() = default;

// ---- state the main window sets ----

void SendPanel::resetForLoad()
{
    pickedLine_.reset();
    queue_->clear();
}

void SendPanel::setSendList(const QList<DueEntry>& entries) { queue_->setLines(entries); }

void SendPanel::clearLoadedFile() { textPane_->clearMail(); }

void SendPanel::setStartupDay(const QDate& day) { lastScannedDay_ = day; }

void SendPanel::hideScrambleButton() { scrambleButton_->hide(); }
void SendPanel::showScrambleButton() { scrambleButton_->show(); }


// ---- runs on the worker ----

void SendPanel::startRun(MailKind kind, std::optional<MailContent> content, const QList<DueEntry>& lines,
                         bool clearAfter)
{
    auto job = jobFor(kind, std::move(content), lines);
    if (!job)
        return;
    startJob(*job, clearAfter);
}

// The password may first come from the secret store, by call-back: the window
// goes on meanwhile, and no tick starts another run.
void SendPanel::startJob(const SendJob& job, bool clearAfter)
{
    running_ = true;
    updateButtons();
    askLoginPassword(job.smtp, this, [this, job = SendJob(job), clearAfter](const Result<SmtpSettings>& login) mutable {
        if (!login) {
            running_ = false;
            updateButtons();
            prompts_.warn(messageTitle(QStringLiteral("　通信エラー　")), login.error().message);
            return;
        }
        job.smtp = *login;
        beginRun(job, clearAfter);
    });
}

void SendPanel::beginRun(const SendJob& job, bool clearAfter)
{
    testRun_ = job.testSend;
    clearAfterRun_ = clearAfter;
    runStarted_ = clock_.now();
    progressBar_->setRange(0, int(job.lines.size()));
    progressBar_->setValue(0);
    cancelButton_->setEnabled(true);
    progressRow_->show();
    updateButtons();
    pause_ = job.smtp.pause();
    worker_->start(job);
}

std::optional<SendJob> SendPanel::jobFor(MailKind kind, std::optional<MailContent> content,
                                         const QList<DueEntry>& lines)
{
    CampaignSettings campaign = settings_.settings();
    campaign.smtpServer = settings_.smtpServer();
    campaign.sender = settings_.sender();
    // The password, when in the secret store, is asked for when the run starts.
    const auto smtp = readSmtpFile(dir_.root());
    auto job = smtp ? jobInFolder(dir_, listPath_(), campaign, *smtp, kind, lines)
                    : Result<SendJob>(std::unexpected(smtp.error()));
    if (!job) {
        prompts_.warn(messageTitle(QStringLiteral("　通信エラー　")), job.error().message);
        return std::nullopt;
    }
    job->content = std::move(content);
    return *job;
}

void SendPanel::onMailStarting(int index, int total, const DueEntry& line)
{
    progressBar_->setValue(index);
    // Every mail but the first waits the pause before it goes; the sending itself is not counted.
    const int pausesLeft = total - index - (index == 0 ? 1 : 0);
    const QDateTime end = clock_.now().addMSecs(qint64(pausesLeft) * pause_.count());
    if (cancelButton_->isEnabled())
        progressLabel_->setText(QStringLiteral("送信中 %1 / %2　%3　終了予定 %4")
                                    .arg(index + 1)
                                    .arg(total)
                                    .arg(line.displayName, end.toString(QStringLiteral("H:mm:ss"))));
}

void SendPanel::onLineDone(const LineOutcome& outcome)
{
    // The 宛先 box shows where the mail went: a test's goes to the sender.
    if (testRun_ && outcome.state == MailState::Sent)
        textPane_->setRecipient(outcome.address);
    if (outcome.state == MailState::Due || testRun_)
        return;
    progressBar_->setValue(progressBar_->value() + 1);
    // A deferred mail goes again by itself, or now with 残りを送信.
    if (outcome.state == MailState::Deferred)
        return;
    queue_->remove(outcome.line);
}

void SendPanel::onRunFinished(const RunSummary& summary)
{
    running_ = false;
    if (!summary.renewedRefreshToken.isEmpty())
        keepSecret(dir_.root(), summary.renewedRefreshToken, this, [this](const Result<void>& kept) {
            if (!kept)
                prompts_.warn(messageTitle(QStringLiteral("　設定保存エラー　")), kept.error().message);
        });
    progressRow_->hide();
    if (clearAfterRun_)
        clearMail();
    updateButtons();
    report(summary, runStarted_);
    emit sendRecordChanged();
    if (const QString said = runConfirmation(summary, testRun_); !said.isEmpty())
        emit confirmed(said);
    warnStop(summary);
}

void SendPanel::report(const RunSummary& summary, const QDateTime& when)
{
    if (reportedOutcomes(summary).isEmpty() && !summary.stop)
        return;
    const QString text = runReportText(summary, when);
    const auto saved = saveRunReport(dir_.reportDir(), text, when);
    reportWindow_->addReport(text, saved ? QStringLiteral("保存先: %1").arg(*saved) : saved.error().message);
    markReportsSeen(dir_.root());
}

void SendPanel::warnStop(const RunSummary& summary)
{
    const bool uncertain = std::ranges::any_of(
        summary.outcomes, [](const LineOutcome& o) { return o.state == MailState::Uncertain && !o.earlier; });
    const bool lineLost = summary.stop && (summary.stop->kind == ErrorKind::ConnectFailed
                                           || summary.stop->kind == ErrorKind::ConnectionLost);
    if (lineLost || (!summary.stop && uncertain)) {
        prompts_.warn(messageTitle(QStringLiteral("　通信エラー　")),
                      QStringLiteral("予期しない通信エラーにより、配信が中断されました！\r\n"
                                     "送信結果は送信ログで確認できます"));
    } else if (summary.stop) {
        prompts_.warn(messageTitle(QStringLiteral("　送信エラー　")),
                      QStringLiteral("送信を中断しました。\r\n%1\r\n未送信の宛先は送信リストに残っています。")
                          .arg(summary.stop->message));
    }
}

void SendPanel::updateButtons()
{
    searchButton_->setEnabled(!running_);
    clearButton_->setEnabled(!running_);
    resendButton_->setEnabled(!running_ && !queue_->stepLines().isEmpty());
    targetButton_->setEnabled(!running_ && pickedLine_.has_value());
    testSendButton_->setEnabled(!running_ && !queue_->isEmpty());
    previewButton_->setEnabled(!queue_->isEmpty());
}

void SendPanel::clearForScan()
{
    queue_->keepStepLines();
    clearMail();
    scrambleButton_->hide();
}

void SendPanel::clearMail()
{
    pickedLine_.reset();
    textPane_->clearMail();
    updateButtons();
}

void SendPanel::warnList(const Error& error)
{
    prompts_.warn(messageTitle(QStringLiteral("　リスト読込エラー　")), error.message);
}
