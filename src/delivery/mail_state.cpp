// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/mail_state.h"

#include <array>

QString mailStateWord(MailState state)
{
    static const std::array<QString, 8> words{
        QStringLiteral("未送信"),   QStringLiteral("送信中"), QStringLiteral("送信済み"),
        QStringLiteral("再送予定"), QStringLiteral("拒否"),   QStringLiteral("送信を断念"),
        QStringLiteral("不明"),     QStringLiteral("期限切れ")};
    return words[size_t(state)];
}
