// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/ui/send_panel.h"

#include "common/text_field.h"
#include "smtp/mail_message.h"
#include "delivery/mail_text.h"
#include "delivery/personalise.h"
#include "delivery/run_report.h"
#include "delivery/send_worker.h"
#include "delivery/ui/file_dialog_memory.h"
#include "delivery/ui/run_report_window.h"
#include "delivery/ui/settings_panel.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Each List1 line keeps the guest it stands for, since display names repeat.
constexpr int kRecordRole = Qt::UserRole;
constexpr int kStepRole = Qt::UserRole + 1;
constexpr int kDayRole = Qt::UserRole + 2;

} // namespace

DueEntry SendPanel::entryOf(const QListWidgetItem* item)
{
    const QVariant step = item->data(kStepRole);
    return {item->data(kRecordRole).toInt(),
            step.isValid() ? std::optional<int>(step.toInt()) : std::nullopt, item->text(),
            item->data(kDayRole).toDate()};
}

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
    connect(sendList_, &QListWidget::itemClicked, this, &SendPanel::onNamePick);
    connect(worker_->run(), &SendRun::mailStarting, this, &SendPanel::onMailStarting);
    connect(worker_->run(), &SendRun::lineDone, this, &SendPanel::onLineDone);
    connect(worker_->run(), &SendRun::finished, this, &SendPanel::onRunFinished);
    connect(reportWindow_, &RunReportWindow::resendRequested, this, &SendPanel::resendUncertain);
    body_->installEventFilter(this);
    updateButtons();
}

SendPanel::~SendPanel() = default;

// ---- state the main window sets ----

void SendPanel::resetForLoad()
{
    pickedLine_.reset();
    sendList_->clear();
    updateButtons();
}

void SendPanel::setSendList(const QList<DueEntry>& entries)
{
    sendList_->clear();
    addLines(entries);
}

void SendPanel::addLines(const QList<DueEntry>& entries)
{
    const QList<DueEntry> listed = stepLines();
    for (const DueEntry& entry : entries) {
        if (entry.step && listed.contains(entry))
            continue;
        auto* item = new QListWidgetItem(entry.displayName, sendList_);
        item->setData(kRecordRole, entry.recordNumber);
        if (entry.step)
            item->setData(kStepRole, *entry.step);
        if (entry.dueDate.isValid())
            item->setData(kDayRole, entry.dueDate);
    }
    updateButtons();
}

QList<DueEntry> SendPanel::stepLines() const
{
    QList<DueEntry> lines;
    for (int i = 0; i < sendList_->count(); ++i) {
        const DueEntry entry = entryOf(sendList_->item(i));
        if (entry.step)
            lines.append(entry);
    }
    return lines;
}

void SendPanel::clearLoadedFile() { body_->clear(); }

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
    SendJob job;
    job.kind = kind;
    job.home = dir_.root();
    job.lockPath = dir_.sendLock();
    job.listPath = listPath_();
    job.logDir = dir_.logDir();
    job.settings = settings_.settings();
    job.settings.smtpServer = settings_.smtpServer();
    job.settings.sender = settings_.sender();
    job.notice = readSenderNotice(dir_.root()).value_or(SenderNotice{});
    job.content = std::move(content);
    job.lines = lines;
    // The password, when in the secret store, is the worker's to fetch.
    auto smtp = readSmtpFile(dir_.root());
    if (!smtp) {
        prompts_.warn(messageTitle(QStringLiteral("　通信エラー　")), smtp.error().message);
        return std::nullopt;
    }
    job.smtp = *smtp;
    return job;
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
    if (outcome.state == MailState::Due || testRun_)
        return;
    progressBar_->setValue(progressBar_->value() + 1);
    // A deferred mail goes again by itself, or now with 残りを送信.
    if (outcome.state == MailState::Deferred)
        return;
    for (int i = 0; i < sendList_->count(); ++i) {
        if (entryOf(sendList_->item(i)) == outcome.line) {
            delete sendList_->takeItem(i);
            break;
        }
    }
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
    resendButton_->setEnabled(!running_ && !stepLines().isEmpty());
    targetButton_->setEnabled(!running_ && pickedLine_.has_value());
    testSendButton_->setEnabled(!running_ && sendList_->count() > 0);
    previewButton_->setEnabled(sendList_->count() > 0);
}

void SendPanel::clearForScan()
{
    // Step lines a stopped run left stay: they go out with the new day's.
    const QList<DueEntry> left = stepLines();
    sendList_->clear();
    addLines(left);
    clearMail();
    scrambleButton_->hide();
}

void SendPanel::clearMail()
{
    pickedLine_.reset();
    subjectBox_->clear();
    recipientBox_->clear();
    body_->clear();
    updateButtons();
}
