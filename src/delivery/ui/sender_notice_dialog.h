// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/operator_prompts.h"
#include "delivery/sender_notice.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;

// 「配信者情報」: who sends, where, whom to complain to, and where to refuse the
// mails (every guest's mail ends with it), and the mailbox where bounces and
// opt-outs arrive. Saved into sender.ini.
class SenderNoticeDialog : public QDialog {
    Q_OBJECT
public:
    SenderNoticeDialog(QString programDir, OperatorPrompts& prompts, QWidget* parent = nullptr);

private:
    QGroupBox* buildMailboxBoxes();
    void save();
    // The mailbox as typed; its password, when the secret store keeps it, left out.
    MailboxSettings typedMailbox() const;
    void write(const SenderNotice& notice, const MailboxSettings& mailbox);

    QString programDir_;
    OperatorPrompts& prompts_;
    std::array<QLineEdit*, 5> boxes_{};
    MailboxSettings storedMailbox_;
    QLineEdit* imapServer_ = nullptr;
    QComboBox* imapSecurity_ = nullptr;
    QLineEdit* imapUser_ = nullptr;
    QLineEdit* imapPassword_ = nullptr;
    QCheckBox* imapPasswordInFile_ = nullptr;
    QCheckBox* imapOAuth_ = nullptr;
    QLineEdit* imapFolder_ = nullptr;
};
