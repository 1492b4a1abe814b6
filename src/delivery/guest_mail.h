// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "delivery/campaign_settings.h"
#include "delivery/mail_transport.h"
#include "lists/guest_record.h"

#include <QDateTime>
#include <QString>

// What a mail says before it is made for one guest: a step's subject and text,
// or the ones the operator chose.
struct MailContent {
    QString subject;
    QString text;
};

// The one way a guest's mail is made, whichever path sends it: the address with
// the blanks around it removed and refused unless it is a plain ASCII address,
// the marker replaced by the guest's family name and honorific. Nothing goes out
// without a subject and a body.
Result<OutgoingMail> buildGuestMail(const GuestRecord& guest, const MailContent& content,
                                    const CampaignSettings& settings, const SmtpSettings& connection,
                                    const QDateTime& now);

// A test send: the same mail to the sender's own address, its subject marked.
void markAsTest(OutgoingMail& mail);
