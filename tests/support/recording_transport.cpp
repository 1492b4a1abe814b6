#include "recording_transport.h"

Result<void> RecordingTransport::send(const OutgoingMail& mail)
{
    sent.append(mail);
    if (results.isEmpty())
        return {};
    return results.takeFirst();
}
