// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "delivery/mailbox_settings.h"

#include <QByteArray>
#include <QString>

// Who sends the step mails, as Japan's law on advertising mail wants every one
// to say: sender.ini in the program folder, section [sender].
struct SenderNotice {
    QString name;               // 送信者の氏名又は名称
    QString postalAddress;      // 住所
    QString contact;            // 苦情・問合せ先: telephone, mail or URL
    QString unsubscribeAddress; // 受信拒否の通知先
    QString unsubscribeUrl;     // optional: a page that stops the mails
    bool complete() const;
};

// Said when the notice lacks one of its four items (the mails still go).
inline const QString kNoticeMissing = QStringLiteral("配信者情報が未設定です（送信者・住所・苦情の連絡先・受信拒否の連絡先）。"
                                                     "設定タブの「配信者情報」で入れてください。");

// A missing file gives an empty notice; Io when it cannot be read.
Result<SenderNotice> readSenderNotice(const QString& programDir);
// Keeps the mailbox section of the file as it is.
Result<void> writeSenderNotice(const QString& programDir, const SenderNotice& notice);
// The whole of sender.ini (0600): the notice and the mailbox that receives bounces and opt-outs.
Result<void> writeSenderFile(const QString& programDir, const SenderNotice& notice, const MailboxSettings& mailbox);

// The lines every guest's mail ends with; empty when the notice is empty.
QString noticeFooter(const SenderNotice& notice);

// Names the guest an opt-out is for without trusting the From of the reply: the
// record number and an HMAC-SHA256 over list, record and address, URL-safe.
QString optOutToken(const QByteArray& key, const QString& list, int record, const QString& address);
// The secret the tokens are made with: opt-out.key (0600), made at first use.
Result<QByteArray> optOutKey(const QString& programDir);

// List-Unsubscribe (and List-Unsubscribe-Post with a URL) for a guest's mail.
QStringList unsubscribeHeaders(const SenderNotice& notice, const QString& token);
