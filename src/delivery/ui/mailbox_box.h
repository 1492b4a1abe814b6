// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/clock.h"
#include "common/operator_prompts.h"
#include "delivery/mailbox_check.h"
#include "delivery/mailbox_settings.h"

#include <QGroupBox>
#include <QList>

#include <functional>
#include <optional>

class QLabel;
class QListWidget;
class QPushButton;

// The send tab's mailbox: 「受信箱を確認」, what the last check did, and the
// 配信停止の候補 that wait for the operator's 「停止にする」 or 「無視」.
class MailboxBox : public QGroupBox {
    Q_OBJECT
public:
    MailboxBox(QString programRoot, Clock& clock, OperatorPrompts& prompts, QWidget* parent = nullptr);

    // Checks the mailbox of sender.ini, when one is set, off the window's
    // thread, then goes on with then (whatever the check found or failed).
    void checkThen(std::function<void()> then);
    bool isChecking() const { return checking_; }
    // The candidates the send record holds, the daily run's included.
    void showCandidates();

signals:
    // Guests were stopped: their records changed on the disk.
    void guestsStopped();

private:
    void start(const MailboxSettings& settings, const std::optional<SmtpSettings>& smtpLogin,
               std::function<void()> then);
    // The sign-in of smtp.ini, whose refresh token may be in the secret store.
    void startSignedIn(const MailboxSettings& settings, std::function<void()> then);
    void finish(const Result<MailboxCheck>& done, std::function<void()> then);
    void decide(MailboxOutcome outcome);

    QString root_;
    Clock& clock_;
    OperatorPrompts& prompts_;
    QPushButton* checkButton_ = nullptr;
    QLabel* result_ = nullptr;
    QListWidget* candidates_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QPushButton* ignoreButton_ = nullptr;
    QList<MailboxEvent> listed_;
    bool checking_ = false;
};
