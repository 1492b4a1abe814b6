// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "delivery/campaign_settings.h"
#include "delivery/sender_notice.h"
#include "smtp/mail_transport.h"
#include "lists/guest_record.h"

#include <QDateTime>
#include <QString>

// What a mail says before it is made for one guest: a step's subject and text,
// or the ones the operator chose.
struct MailContent {
    QString subject;
    QString text;
};

// What a guest's mail carries besides its text: the sender notice as its last
// lines, and List-Unsubscribe with the guest's token (none without a key).
struct OptOut {
    SenderNotice notice;
    QByteArray key;
    QString list;   // the list file's name
    int record = 0;
};

// The one way a guest's mail is made, whichever path sends it: the address with
// the blanks around it removed and refused unless it is a plain ASCII address,
// the marker replaced by the guest's family name and honorific, the sender
// notice at the end. Nothing goes out without a subject and a body.
Result<OutgoingMail> buildGuestMail(const GuestRecord& guest, const MailContent& content,
                                    const CampaignSettings& settings, const SmtpSettings& connection,
                                    const QDateTime& now, const OptOut& optOut = {});

// A test send: the same mail to the sender's own address, its subject marked.
void markAsTest(OutgoingMail& mail);
