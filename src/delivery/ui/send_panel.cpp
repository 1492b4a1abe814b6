#include "delivery/ui/send_panel.h"

#include "common/text_field.h"
#include "delivery/mail_message.h"
#include "delivery/mail_text.h"
#include "delivery/personalise.h"
#include "delivery/send_log.h"
#include "delivery/ui/file_dialog_memory.h"
#include "delivery/ui/settings_panel.h"

#include <QEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr double kPauseDays = 0.00008;

const QString kTxt = QStringLiteral("*.txt");
const QString kLog = QStringLiteral("*.log");

// Each List1 line keeps the guest it stands for, since display names repeat.
constexpr int kRecordRole = Qt::UserRole;
constexpr int kStepRole = Qt::UserRole + 1;

DueEntry entryOf(const QListWidgetItem* item)
{
    const QVariant step = item->data(kStepRole);
    return {item->data(kRecordRole).toInt(),
            step.isValid() ? std::optional<int>(step.toInt()) : std::nullopt, item->text()};
}

QPushButton* namedButton(const QString& name, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

QTextEdit* mailBox(const QString& name, QWidget* parent)
{
    auto* box = new QTextEdit(parent);
    box->setObjectName(name);
    box->setAcceptRichText(false);
    QFont font(QStringLiteral("ＭＳ ゴシック"));
    font.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("Noto Sans Mono CJK JP"),
                      QFontDatabase::systemFont(QFontDatabase::FixedFont).family()});
    font.setStyleHint(QFont::Monospace);
    box->setFont(font);
    return box;
}

QString clockText(const QDateTime& now) { return now.toString(QStringLiteral("yyyy/MM/dd H:mm:ss")); }

// Shows how far a run has come; the operator may stop it after the current mail.
class RunProgress {
public:
    RunProgress(QWidget* parent, int total) : dialog_(parent)
    {
        dialog_.setObjectName(QStringLiteral("sendProgress"));
        dialog_.setWindowTitle(QStringLiteral("送信中"));
        dialog_.setCancelButtonText(QStringLiteral("中止"));
        dialog_.setWindowModality(Qt::ApplicationModal);
        dialog_.setAutoReset(false);
        dialog_.setAutoClose(false);
        dialog_.setMinimumDuration(0);
        dialog_.setRange(0, total);
        total_ = total;
    }
    void show(int index, const QString& name)
    {
        dialog_.setLabelText(QStringLiteral("%1 / %2　%3").arg(index + 1).arg(total_).arg(name));
        dialog_.setValue(index);
    }
    bool cancelled() const { return dialog_.wasCanceled(); }

private:
    QProgressDialog dialog_;
    int total_ = 0;
};

} // namespace

SendPanel::SendPanel(const ProgramDir& dir, Clock& clock, OperatorPrompts& prompts,
                     MailTransport& transport, ProgramControl& control, SettingsPanel& settings,
                     FileDialogMemory& dialogs, std::function<QString()> listPath, QWidget* parent)
    : QWidget(parent), dir_(dir), clock_(clock), prompts_(prompts), transport_(transport),
      control_(control), settings_(settings), dialogs_(dialogs), listPath_(std::move(listPath))
{
    buildLayout();
    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(1000);
    connect(timer1_, &QTimer::timeout, this, &SendPanel::onTimer1Tick);
    timer1_->start();

    connect(command1_, &QPushButton::clicked, this, &SendPanel::onListSearch);
    connect(command3_, &QPushButton::clicked, this, &SendPanel::onTargetSendClicked);
    connect(command18_, &QPushButton::clicked, this, &SendPanel::onScrambleClicked);
    connect(command19_, &QPushButton::clicked, this, &SendPanel::onListClear);
    connect(list1_, &QListWidget::itemClicked, this, &SendPanel::onNamePick);
    body_->installEventFilter(this);
}

void SendPanel::buildLayout()
{
    auto* frame1 = new QGroupBox(QStringLiteral("送信者リスト"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    list1_ = new QListWidget(frame1);
    list1_->setObjectName(QStringLiteral("List1"));
    list1_->setAccessibleName(QStringLiteral("送信者リスト"));
    command1_ = namedButton(QStringLiteral("Command1"), QStringLiteral("検　索"), frame1);
    command3_ = namedButton(QStringLiteral("Command3"), QStringLiteral("ターゲット送信"), frame1);
    command18_ = namedButton(QStringLiteral("Command18"), QStringLiteral("スクランブル送信"), frame1);
    command19_ = namedButton(QStringLiteral("Command19"), QStringLiteral("リストクリア"), frame1);
    command3_->setEnabled(false);
    command18_->setEnabled(false);
    command18_->hide();
    auto* frameLayout = new QVBoxLayout(frame1);
    frameLayout->addWidget(list1_, 1);
    for (QPushButton* button : {command19_, command18_, command3_, command1_})
        frameLayout->addWidget(button);

    label46_ = new QLabel(QStringLiteral("件名"), this);
    label46_->setObjectName(QStringLiteral("Label46"));
    auto* label47 = new QLabel(QStringLiteral("宛先"), this);
    label47->setObjectName(QStringLiteral("Label47"));
    text23_ = new QLineEdit(this);
    text23_->setObjectName(QStringLiteral("Text23"));
    text24_ = new QLineEdit(this);
    text24_->setObjectName(QStringLiteral("Text24"));
    label46_->setBuddy(text23_);
    label47->setBuddy(text24_);
    label3_ = new QLabel(this);
    label3_->setObjectName(QStringLiteral("Label3"));
    label3_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    body_ = mailBox(QStringLiteral("RichTextBox1"), this);
    body2_ = mailBox(QStringLiteral("RichTextBox2"), this);
    body2_->setReadOnly(true);
    body2_->setMaximumHeight(80);
    body_->setAccessibleName(QStringLiteral("本文"));
    body2_->setAccessibleName(QStringLiteral("開いたテキスト"));

    auto* heads = new QGridLayout;
    heads->addWidget(label46_, 0, 0);
    heads->addWidget(text23_, 0, 1);
    heads->addWidget(label3_, 0, 2);
    heads->addWidget(label47, 1, 0);
    heads->addWidget(text24_, 1, 1, 1, 2);
    auto* right = new QVBoxLayout;
    right->addLayout(heads);
    right->addWidget(body_, 1);
    right->addWidget(body2_);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(frame1, 1);
    layout->addLayout(right, 3);
}

// ---- state the main window sets ----

void SendPanel::resetForLoad()
{
    singleSendPending_ = false;
    list1_->clear();
}

void SendPanel::setSendList(const QList<DueEntry>& entries)
{
    list1_->clear();
    addLines(entries);
}

void SendPanel::addLines(const QList<DueEntry>& entries)
{
    for (const DueEntry& entry : entries) {
        auto* item = new QListWidgetItem(entry.displayName, list1_);
        item->setData(kRecordRole, entry.recordNumber);
        if (entry.step)
            item->setData(kStepRole, *entry.step);
    }
}

void SendPanel::clearLoadedFile() { body_->clear(); }

void SendPanel::setStartupDay(int day) { dayLastSeen_ = day; }

void SendPanel::setClockRunning(bool on)
{
    if (on && !running_)
        timer1_->start();
    else if (!on)
        timer1_->stop();
}

void SendPanel::hideScrambleButton() { command18_->hide(); }
void SendPanel::showScrambleButton() { command18_->show(); }

void SendPanel::onSettingsStored()
{
    setClockRunning(true);
    label3_->setText(clockText(clock_.now()));
    label46_->show();
    text23_->show();
}

// ---- scheduled sending ----

void SendPanel::startupPrompt()
{
    if (list1_->count() == 0)
        return;
    const PromptAnswer answer = prompts_.message(
        messageTitle(QStringLiteral("　送信の確認　")),
        QStringLiteral("本日の送信対象が見つかりました　直ちに送信しますか？"), PromptIcon::Question,
        PromptButtons::YesNo);
    if (answer == PromptAnswer::Yes)
        runSendLoop();
}

void SendPanel::onTimer1Tick()
{
    label3_->setText(clockText(clock_.now()));
    const int today = clock_.today().day();
    if (running_ || today == dayLastSeen_)
        return;
    const bool firstTick = dayLastSeen_ == 0;
    dayLastSeen_ = today;
    if (firstTick)
        return;
    clearForScan();
    auto due = scanDueGuests(listPath_(), clock_.today());
    if (!due) {
        warnList(due.error());
        return;
    }
    addLines(*due);
    if (list1_->count() > 0)
        runSendLoop();
}

void SendPanel::runSendLoop()
{
    if (running_)
        return;
    timer1_->stop();
    command3_->setEnabled(false);
    const auto skipped = runLines([this] {
        const DueEntry entry = entryOf(list1_->item(0));
        text20_ = entry.displayName;
        currentRecipientName_ = trimRight(text20_);
        if (auto reason = prepareLine(entry))
            return SendResult{SendOutcome::Skipped, *reason};
        return targetSend();
    });
    if (!skipped)
        return;
    clearMail();
    reportSkipped(*skipped);
    timer1_->start();
}

std::optional<QStringList> SendPanel::runLines(const std::function<SendResult()>& sendOne)
{
    running_ = true;
    const int total = list1_->count();
    QStringList skipped;
    bool ended = false;
    {
        RunProgress progress(this, total);
        for (int i = 0; i < total && list1_->count() > 0; ++i) {
            const QString line = trimRight(list1_->item(0)->text());
            progress.show(i, line);
            const SendResult result = sendOne();
            if (result.outcome == SendOutcome::Fatal) {
                ended = true;
                break;
            }
            if (result.outcome == SendOutcome::Skipped)
                skipped << line + QStringLiteral("：") + result.reason;
            else
                clock_.pause(kPauseDays);
            delete list1_->takeItem(0);
            if (progress.cancelled())
                break;
        }
    }
    running_ = false;
    if (ended)
        return std::nullopt;
    return skipped;
}

void SendPanel::reportSkipped(const QStringList& skipped)
{
    if (skipped.isEmpty())
        return;
    prompts_.warn(messageTitle(QStringLiteral("　未送信の宛先　")),
                  QStringLiteral("次の宛先には送信できませんでした\r\n") + skipped.join(QStringLiteral("\r\n")));
}

std::optional<QString> SendPanel::prepareLine(const DueEntry& entry)
{
    // Never leave the previous guest's mail in the panel for this guest.
    clearMail();
    auto found = prepareDueMailFromList(listPath_(), entry, clock_.today(), settings_.settings());
    if (!found)
        return found.error().message;
    if (!*found)
        return QStringLiteral("本日送信するメールが見つかりません");
    const PreparedMail& mail = **found;
    auto text = readMailText(mail.textFile);
    if (!text)
        return mail.textFile.isEmpty() ? QStringLiteral("送信Textが設定されていません")
                                       : text.error().message;
    text23_->setText(mail.subject);
    label2_ = mail.address;
    text30_ = mail.honorific;
    setBodyText(personalise(*text, mail.familyName, mail.honorific));
    text24_->setText(trimRight(label2_));
    command3_->setEnabled(true);
    return std::nullopt;
}

// ---- transmission ----

SendResult SendPanel::targetSend()
{
    if (bodyText().isEmpty() || text23_->text().isEmpty())
        return {SendOutcome::Skipped, QStringLiteral("件名または本文がありません")};
    command3_->setEnabled(false);
    const SendResult result = transmit(trimRight(text20_));
    if (result.outcome != SendOutcome::Sent || !singleSendPending_)
        return result;
    if (QListWidgetItem* picked = list1_->currentItem())
        delete list1_->takeItem(list1_->row(picked));
    text23_->clear();
    command3_->setEnabled(false);
    // Without an opened text the personalised body must not go to the next pick.
    if (openTextFile_.isEmpty() || !loadBody(openTextFile_))
        body_->clear();
    singleSendPending_ = false;
    return result;
}

SendResult SendPanel::transmit(const QString& logName)
{
    const QString to = text24_->text();
    if (!isPlainMailAddress(to))
        return {SendOutcome::Skipped, QStringLiteral("メールアドレスが正しくありません（%1）").arg(to)};
    const OutgoingMail mail{settings_.smtpServer(), settings_.sender(), to, text23_->text(),
                            bodyText(), clock_.now()};
    if (auto sent = transport_.send(mail); !sent) {
        switch (sent.error().kind) {
        case ErrorKind::ConnectFailed:
            return endWith(QStringLiteral("　通信エラー　"),
                           QStringLiteral("予期しない通信エラーにより、配信が中断されました！\r\n"
                                          "送信結果は送信ログで確認できます"));
        case ErrorKind::RecipientRefused:
        case ErrorKind::InvalidInput:
            return {SendOutcome::Skipped, sent.error().message};
        default:
            return endWith(QStringLiteral("　致命的なエラー　"),
                           QStringLiteral("致命的なエラーが発生しました　プログラムを終了します"));
        }
    }
    if (auto logged = writeSendLog(dir_.logDir(), clock_.today(), logName, bodyText()); !logged)
        return endWith(QStringLiteral("　致命的なエラー　"),
                       QStringLiteral("致命的なエラーが発生しました　プログラムを終了します\r\n") + logged.error().message);
    return {SendOutcome::Sent, {}};
}

SendResult SendPanel::endWith(const QString& heading, const QString& text)
{
    prompts_.warn(messageTitle(heading), text);
    control_.endProgram();
    return {SendOutcome::Fatal, {}};
}

SendResult SendPanel::Send_Scramble() { return transmit(currentRecipientName_); }

void SendPanel::onTargetSendClicked()
{
    if (running_)
        return;
    if (bodyText().isEmpty() || text23_->text().isEmpty()) {
        prompts_.warn(messageTitle(QStringLiteral("　送信条件エラー　")),
                      QStringLiteral("件名または本文がありません　送信を中止します"));
        return;
    }
    const SendResult result = targetSend();
    if (result.outcome == SendOutcome::Skipped)
        reportSkipped({trimRight(text20_) + QStringLiteral("：") + result.reason});
}

void SendPanel::onScrambleClicked()
{
    if (running_)
        return;
    if (text23_->text().isEmpty()) {
        prompts_.warn(messageTitle(QStringLiteral("　件名未入力違反　")),
                      QStringLiteral("件名がありません、送信をやり直してください。"));
        return;
    }
    // One load before the run: a missing text must not send empty bodies.
    auto text = readMailText(txtScramble_);
    if (!text) {
        prompts_.warn(messageTitle(QStringLiteral("　本文読込エラー　")),
                      txtScramble_.isEmpty()
                          ? QStringLiteral("スクランブル送信する本文を「開く」で選んでください")
                          : text.error().message);
        return;
    }
    auto guests = readSendingList(listPath_());
    if (!guests) {
        warnList(guests.error());
        return;
    }
    command18_->hide();
    setSendList(scrambleEntries(*guests));
    const auto skipped = runLines([&] {
        const DueEntry entry = entryOf(list1_->item(0));
        const auto guest = guestFor(*guests, entry);
        if (!guest)
            return SendResult{SendOutcome::Skipped, QStringLiteral("リストに見つかりません")};
        currentRecipientName_ = entry.displayName;
        text20_ = entry.displayName;
        label2_ = guest->address.trimmed();
        text30_ = guest->keisyou;
        setBodyText(personalise(*text, trimRight(guest->fName), guest->keisyou));
        text24_->setText(label2_);
        const SendResult result = Send_Scramble();
        body_->clear();
        return result;
    });
    if (!skipped)
        return;
    text24_->clear();
    reportSkipped(*skipped);
}

// ---- the send list ----

void SendPanel::onListSearch()
{
    if (running_)
        return;
    clearForScan();
    auto guests = readSendingList(listPath_());
    if (!guests) {
        warnList(guests.error());
        return;
    }
    addLines(deliveringEntries(*guests));
    emit guestCountFound(searchedGuestCount(*guests));
}

void SendPanel::onNamePick(QListWidgetItem* item)
{
    if (running_ || !item)
        return;
    singleSendPending_ = true;
    command3_->setEnabled(true);
    auto guests = readSendingList(listPath_());
    if (!guests) {
        warnList(guests.error());
        return;
    }
    text20_ = item->text();
    if (!openTextFile_.isEmpty())
        loadBody(openTextFile_);
    const auto guest = guestFor(*guests, entryOf(item));
    label2_ = guest ? guest->address.trimmed() : QString();
    text30_ = guest ? guest->keisyou : QString();
    text24_->setText(label2_);
    if (guest)
        setBodyText(personalise(bodyText(), trimRight(guest->fName), guest->keisyou));
}

void SendPanel::onListClear()
{
    if (running_)
        return;
    command3_->setEnabled(false);
    list1_->clear();
    text23_->clear();
    text24_->clear();
    body_->clear();
    body2_->clear();
    openTextFile_.clear();
}

void SendPanel::clearForScan()
{
    clearMail();
    list1_->clear();
    command18_->hide();
    singleSendPending_ = false;
}

void SendPanel::clearMail()
{
    text23_->clear();
    text24_->clear();
    body_->clear();
    command3_->setEnabled(false);
}

// ---- mail texts and logs ----

void SendPanel::openText()
{
    const QString path = dialogs_.openFile(dir_.textDir(), kTxt, kTxt);
    if (path.isEmpty() || !loadBody(path))
        return;
    body2_->setPlainText(bodyText());
    openTextFile_ = path;
    if (!command18_->isHidden()) {
        txtScramble_ = path;
        command18_->setEnabled(true);
    }
}

void SendPanel::saveTextAs()
{
    const QString path = dialogs_.saveFile(QString(), kTxt, kTxt);
    if (!path.isEmpty())
        writeBody(path);
}

void SendPanel::overwriteText()
{
    if (dialogs_.lastPath().isEmpty()) {
        prompts_.warn(messageTitle(QStringLiteral("　保存エラー　")),
                      QStringLiteral("上書きするファイルがありません　「名前を付けて保存」で保存してください"));
        return;
    }
    writeBody(dialogs_.lastPath());
}

void SendPanel::openSendLog()
{
    const QString path = dialogs_.openFile(dir_.logDir(), kLog, kLog);
    if (!path.isEmpty())
        loadBody(path);
}

bool SendPanel::loadBody(const QString& path)
{
    auto text = readMailText(path);
    if (!text) {
        prompts_.warn(messageTitle(QStringLiteral("　読込エラー　")), text.error().message);
        return false;
    }
    setBodyText(*text);
    return true;
}

void SendPanel::writeBody(const QString& path)
{
    if (auto written = writeMailText(path, bodyText()); !written)
        prompts_.warn(messageTitle(QStringLiteral("　保存エラー　")), written.error().message);
}

void SendPanel::warnList(const Error& error)
{
    prompts_.warn(messageTitle(QStringLiteral("　リスト読込エラー　")), error.message);
}

QString SendPanel::bodyText() const { return body_->toPlainText(); }
void SendPanel::setBodyText(const QString& text) { body_->setPlainText(text); }

bool SendPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == body_ && event->type() == QEvent::KeyRelease
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete && bodyText().isEmpty())
        command18_->setEnabled(false);
    return QWidget::eventFilter(watched, event);
}
