#pragma once

#include "delivery/mail_transport.h"

#include <QList>

// Records every mail; answers from a queue of scripted results (success when empty).
class RecordingTransport : public MailTransport {
public:
    Result<void> send(const OutgoingMail& mail) override;

    QList<OutgoingMail> sent;     // every mail handed over, failed ones included
    QList<Result<void>> results;  // taken in order
};
