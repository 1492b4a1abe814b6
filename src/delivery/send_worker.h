// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "delivery/send_run.h"

#include <QObject>
#include <QThread>

// Runs send jobs on a thread of its own, one at a time. Connect to run()'s
// signals: they arrive queued on the thread that owns the receiver.
class SendWorker : public QObject {
    Q_OBJECT
public:
    SendWorker(MailTransport& transport, Clock& clock, QObject* parent = nullptr);
    // Cancels the run and waits for the mail under way.
    ~SendWorker() override;

    SendRun* run() const { return run_; }
    void start(const SendJob& job);
    void cancel() { run_->cancel(); }

private:
    QThread thread_;
    SendRun* run_;
};
