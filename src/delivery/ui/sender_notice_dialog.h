// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/operator_prompts.h"
#include "delivery/sender_notice.h"

#include <QDialog>

#include <array>

class QLineEdit;

// 「配信者情報」: who sends, where, whom to complain to, and where to refuse the
// mails; every guest's mail ends with it. Saved into sender.ini.
class SenderNoticeDialog : public QDialog {
    Q_OBJECT
public:
    SenderNoticeDialog(QString programDir, OperatorPrompts& prompts, QWidget* parent = nullptr);

private:
    void save();

    QString programDir_;
    OperatorPrompts& prompts_;
    std::array<QLineEdit*, 5> boxes_{};
};
