// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/guest_mail.h"

#include "common/text_field.h"
#include "smtp/mail_message.h"
#include "delivery/personalise.h"

Result<OutgoingMail> buildGuestMail(const GuestRecord& guest, const MailContent& content,
                                    const CampaignSettings& settings, const SmtpSettings& connection,
                                    const QDateTime& now, const OptOut& optOut)
{
    const QString address = mailAddressOf(guest);
    if (!isPlainMailAddress(address))
        return fail(ErrorKind::InvalidInput,
                    QStringLiteral("メールアドレス「%1」は使えません（半角英数字の「名前@ドメイン」のみ送れます）").arg(address));
    const QString body = personalise(content.text, trimRight(guest.fName), guest.keisyou);
    if (content.subject.isEmpty() || body.isEmpty())
        return fail(ErrorKind::InvalidInput, QStringLiteral("件名または本文がありません"));
    OutgoingMail mail{settings.smtpServer, settings.sender, address, content.subject,
                      body + noticeFooter(optOut.notice), now, connection};
    if (!optOut.key.isEmpty())
        mail.headers = unsubscribeHeaders(optOut.notice, optOutToken(optOut.key, optOut.list, optOut.record, address));
    return mail;
}

void markAsTest(OutgoingMail& mail)
{
    mail.to = mail.from;
    mail.subject = QStringLiteral("[テスト]") + mail.subject;
}
