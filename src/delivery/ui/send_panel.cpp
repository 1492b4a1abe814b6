#include "delivery/ui/send_panel.h"

#include "common/text_field.h"
#include "delivery/mail_message.h"
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

QString clockText(const QDateTime& now) { return now.toString(QStringLiteral("yyyy/MM/dd H:mm:ss")); }

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

void SendPanel::setClockRunning(bool on)
{
    if (on)
        timer1_->start();
    else
        timer1_->stop();
}

void SendPanel::hideScrambleButton() { scrambleButton_->hide(); }
void SendPanel::showScrambleButton() { scrambleButton_->show(); }

void SendPanel::onSettingsStored()
{
    setClockRunning(true);
    clockLabel_->setText(clockText(clock_.now()));
    subjectLabel_->show();
    subjectBox_->show();
}

// ---- scheduled sending ----

void SendPanel::startupPrompt()
{
    if (const auto journal = readJournal(dir_.journal()))
        if (const QString uncertain = uncertainMailsText(*journal, listPath_()); !uncertain.isEmpty())
            reportWindow_->addReport(uncertain, {});
    const QList<DueEntry> missed = offerCatchUp();
    const QString already = dropAlreadySent();
    QList<DueEntry> lines = missed;
    QList<DueEntry> todays = stepLines();
    todays.removeIf([&](const DueEntry& line) { return missed.contains(line); });
    if (!todays.isEmpty()) {
        const PromptAnswer answer = prompts_.message(
            messageTitle(QStringLiteral("　送信の確認　")),
            already + QStringLiteral("本日の送信対象が見つかりました　直ちに送信しますか？"),
            PromptIcon::Question, PromptButtons::YesNo);
        if (answer == PromptAnswer::Yes)
            lines = todays + missed;
    }
    if (!lines.isEmpty())
        startRun(MailKind::Step, std::nullopt, lines, true);
}

// Days the program did not run, since the journal's last finished run: asked,
// No by default. Returns the lines added to the send list.
QList<DueEntry> SendPanel::offerCatchUp()
{
    const auto missed = missedStepLines(dir_.journal(), listPath_(), clock_.today());
    if (!missed || missed->isEmpty())
        return {};
    const PromptAnswer answer = prompts_.message(
        messageTitle(QStringLiteral("　送信の確認　")),
        QStringLiteral("プログラムが動いていなかった日の送信されていないメールが %1 件あります。\r\n"
                       "遅れて送信しますか？")
            .arg(missed->size()),
        PromptIcon::Question, PromptButtons::YesNoDefaultNo);
    if (answer != PromptAnswer::Yes)
        return {};
    addLines(*missed);
    return *missed;
}

// Takes today's lines the journal has as sent out of the send list; says how many.
QString SendPanel::dropAlreadySent()
{
    const auto sent = linesAlreadySent(dir_.journal(), listPath_(), stepLines());
    if (!sent || sent->isEmpty())
        return {};
    for (int i = sendList_->count() - 1; i >= 0; --i) {
        if (sent->contains(entryOf(sendList_->item(i))))
            delete sendList_->takeItem(i);
    }
    updateButtons();
    return QStringLiteral("本日の送信対象のうち %1 件は送信済みです。\r\n").arg(sent->size());
}

void SendPanel::onTimer1Tick()
{
    clockLabel_->setText(clockText(clock_.now()));
    const QDate today = clock_.today();
    // A day passed during a run or while the machine slept is scanned at the next free tick.
    if (running_ || !lastScannedDay_.isValid() || today <= lastScannedDay_)
        return;
    QList<DueEntry> due;
    for (QDate day = lastScannedDay_.addDays(1); day <= today; day = day.addDays(1)) {
        auto found = scanDueGuests(listPath_(), day);
        if (!found) {
            lastScannedDay_ = today; // said once, not at every tick
            warnList(found.error());
            return;
        }
        due += *found;
    }
    lastScannedDay_ = today;
    clearForScan();
    addLines(due);
    if (!stepLines().isEmpty())
        runSendLoop();
}

void SendPanel::runSendLoop()
{
    const QList<DueEntry> lines = stepLines();
    if (!running_ && !lines.isEmpty())
        startRun(MailKind::Step, std::nullopt, lines, true);
}

// ---- runs on the worker ----

void SendPanel::startRun(MailKind kind, std::optional<MailContent> content, const QList<DueEntry>& lines,
                         bool clearAfter)
{
    auto job = jobFor(kind, std::move(content), lines);
    if (!job)
        return;
    startJob(*job, clearAfter);
}

void SendPanel::startJob(const SendJob& job, bool clearAfter)
{
    running_ = true;
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
    job.journalPath = dir_.journal();
    job.lockPath = dir_.sendLock();
    job.runDay = kind == MailKind::Step ? clock_.today() : QDate();
    job.listPath = listPath_();
    job.logDir = dir_.logDir();
    job.settings = settings_.settings();
    job.settings.smtpServer = settings_.smtpServer();
    job.settings.sender = settings_.sender();
    job.content = std::move(content);
    job.lines = lines;
    // Asking the secret store may spin a short local event loop: no tick may start a run meanwhile.
    const bool wasRunning = std::exchange(running_, true);
    auto smtp = readSmtpSettings(dir_.root());
    running_ = wasRunning;
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
    if (outcome.state == LineState::Unsent || testRun_)
        return;
    progressBar_->setValue(progressBar_->value() + 1);
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
    progressRow_->hide();
    if (clearAfterRun_)
        clearMail();
    updateButtons();
    report(summary);
    warnStop(summary);
}

void SendPanel::report(const RunSummary& summary)
{
    if (reportedOutcomes(summary).isEmpty() && !summary.stop)
        return;
    const QString text = runReportText(summary, runStarted_);
    const auto saved = saveRunReport(dir_.reportDir(), text, runStarted_);
    reportWindow_->addReport(text, saved ? QStringLiteral("保存先: %1").arg(*saved) : saved.error().message);
}

void SendPanel::warnStop(const RunSummary& summary)
{
    const bool uncertain = std::ranges::any_of(
        summary.outcomes, [](const LineOutcome& o) { return o.state == LineState::Uncertain; });
    if ((summary.stop && summary.stop->kind == ErrorKind::ConnectFailed) || (!summary.stop && uncertain)) {
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
