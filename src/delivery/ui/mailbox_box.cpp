// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/ui/mailbox_box.h"

#include "common/ui/named.h"
#include "smtp/smtp_secret.h"
#include "smtp/smtp_settings.h"

#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <chrono>

namespace {

struct Checked {
    Result<MailboxCheck> check;
    QString renewedRefreshToken;
};

QString candidateText(const MailboxEvent& e)
{
    const QString who = e.record > 0 ? QStringLiteral("%1 <%2>").arg(e.name, e.address)
                                     : QStringLiteral("（該当する顧客なし） <%1>").arg(e.address);
    return QStringLiteral("%1　%2 %3　%4: %5").arg(who, mailboxReasonWord(e.reason), e.status, e.sender, e.subject);
}

} // namespace

MailboxBox::MailboxBox(QString programRoot, Clock& clock, OperatorPrompts& prompts, QWidget* parent)
    : QGroupBox(QStringLiteral("受信箱"), parent), root_(std::move(programRoot)), clock_(clock), prompts_(prompts)
{
    checkButton_ = named<QPushButton>(QStringLiteral("checkMailboxButton"), QStringLiteral("受信箱を確認"), this);
    checkButton_->setToolTip(QStringLiteral("不達の通知と配信停止の依頼を読み、該当する顧客を停止済にします"
                                            "（受信箱のメールは変更しません）"));
    result_ = new QLabel(this);
    result_->setObjectName(QStringLiteral("mailboxResult"));
    result_->setWordWrap(true);
    auto* caption = new QLabel(QStringLiteral("配信停止の候補"), this);
    candidates_ = new QListWidget(this);
    candidates_->setObjectName(QStringLiteral("optOutCandidates"));
    candidates_->setAccessibleName(caption->text());
    candidates_->setMinimumHeight(candidates_->fontMetrics().height() * 4); // a few rows, however tight the tab
    caption->setBuddy(candidates_);
    stopButton_ = named<QPushButton>(QStringLiteral("stopCandidateButton"), QStringLiteral("停止にする"), this);
    ignoreButton_ = named<QPushButton>(QStringLiteral("ignoreCandidateButton"), QStringLiteral("無視"), this);
    auto* decisions = new QHBoxLayout;
    decisions->addWidget(stopButton_);
    decisions->addWidget(ignoreButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(checkButton_);
    layout->addWidget(result_);
    layout->addWidget(caption);
    layout->addWidget(candidates_, 1);
    layout->addLayout(decisions);
    connect(checkButton_, &QPushButton::clicked, this, [this] {
        if (!readMailboxSettings(root_).value_or(MailboxSettings{}).configured())
            result_->setText(QStringLiteral("受信箱が設定されていません。設定タブの「配信者情報」で設定してください。"));
        checkThen([] {});
    });
    connect(stopButton_, &QPushButton::clicked, this, [this] { decide(MailboxOutcome::StoppedByOperator); });
    connect(ignoreButton_, &QPushButton::clicked, this, [this] { decide(MailboxOutcome::Ignored); });
    connect(candidates_, &QListWidget::currentRowChanged, this, [this](int row) {
        stopButton_->setEnabled(row >= 0);
        ignoreButton_->setEnabled(row >= 0);
    });
    showCandidates();
}

void MailboxBox::checkThen(std::function<void()> then)
{
    const auto settings = readMailboxSettings(root_);
    if (checking_ || !settings || !settings->configured()) {
        if (!settings)
            result_->setText(settings.error().message);
        return then();
    }
    checking_ = true;
    checkButton_->setEnabled(false);
    result_->setText(QStringLiteral("受信箱を確認しています…"));
    if (settings->oauth)
        return startSignedIn(*settings, std::move(then));
    if (!settings->password.isEmpty())
        return start(*settings, std::nullopt, std::move(then));
    // The secret store answers on this thread only: asked here, the check then goes off it.
    askStoredPassword(QStringLiteral("imap:") + settings->user, std::chrono::seconds(3), this,
                      [this, s = *settings, then = std::move(then)](const Result<QString>& password) mutable {
                          if (!password)
                              return finish(fail(ErrorKind::SenderRefused,
                                                 QStringLiteral("受信箱のパスワードを読めません。「配信者情報」で入れ直してください。")),
                                            std::move(then));
                          s.password = *password;
                          start(s, std::nullopt, std::move(then));
                      });
}

void MailboxBox::startSignedIn(const MailboxSettings& settings, std::function<void()> then)
{
    const auto smtp = readSmtpFile(root_);
    if (!smtp)
        return finish(std::unexpected(smtp.error()), std::move(then));
    askLoginPassword(*smtp, this, [this, settings, then = std::move(then)](const Result<SmtpSettings>& login) mutable {
        if (!login)
            return finish(std::unexpected(login.error()), std::move(then));
        start(settings, *login, std::move(then));
    });
}

void MailboxBox::start(const MailboxSettings& settings, const std::optional<SmtpSettings>& smtpLogin,
                       std::function<void()> then)
{
    auto* watcher = new QFutureWatcher<Checked>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, then = std::move(then)]() mutable {
        watcher->deleteLater();
        const Checked checked = watcher->result();
        if (!checked.renewedRefreshToken.isEmpty())
            keepSecret(root_, checked.renewedRefreshToken, this, [this](const Result<void>& kept) {
                if (!kept)
                    prompts_.warn(messageTitle(QStringLiteral("　設定保存エラー　")), kept.error().message);
            });
        finish(checked.check, std::move(then));
    });
    watcher->setFuture(QtConcurrent::run([root = root_, settings, smtpLogin, now = clock_.now()]() -> Checked {
        const auto login = mailboxLogin(root, settings, smtpLogin);
        if (!login)
            return {std::unexpected(login.error()), {}};
        ImapReader reader;
        return {checkMailbox(root, login->login, now, reader), login->renewedRefreshToken};
    }));
}

void MailboxBox::finish(const Result<MailboxCheck>& done, std::function<void()> then)
{
    checking_ = false;
    checkButton_->setEnabled(true);
    result_->setText(done ? mailboxSummary(*done) : QStringLiteral("受信箱を確認できません: %1").arg(done.error().message));
    showCandidates();
    if (done && !done->stopped.isEmpty())
        emit guestsStopped();
    then();
}

void MailboxBox::showCandidates()
{
    candidates_->clear();
    listed_ = listedCandidates(root_).value_or(QList<MailboxEvent>{});
    for (const MailboxEvent& event : listed_)
        candidates_->addItem(candidateText(event));
    stopButton_->setEnabled(false);
    ignoreButton_->setEnabled(false);
}

void MailboxBox::decide(MailboxOutcome outcome)
{
    const int row = candidates_->currentRow();
    if (row < 0 || row >= listed_.size())
        return;
    const MailboxEvent& event = listed_[row];
    if (const auto done = decideListed(root_, event, outcome, clock_.now()); !done)
        return prompts_.warn(messageTitle(QStringLiteral("　配信停止　")), done.error().message);
    if (outcome == MailboxOutcome::StoppedByOperator && event.record > 0)
        emit guestsStopped();
    showCandidates();
}
