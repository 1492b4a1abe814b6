// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/send_worker.h"

SendWorker::SendWorker(MailTransport& transport, Clock& clock, QObject* parent)
    : QObject(parent), run_(new SendRun(transport, clock))
{
    thread_.setObjectName(QStringLiteral("send"));
    run_->moveToThread(&thread_);
    thread_.start();
}

SendWorker::~SendWorker()
{
    run_->cancel();
    thread_.quit();
    thread_.wait();
    delete run_;
}

void SendWorker::start(const SendJob& job)
{
    QMetaObject::invokeMethod(run_, [run = run_, job] { run->run(job); }, Qt::QueuedConnection);
}
