// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/smtp_secret.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <qt6keychain/keychain.h>

#include <memory>

namespace {

const QString kService = QStringLiteral("Ladderpost SMTP");

// QtKeychain talks over the session bus; without one (or without an
// application object to run its replies) there is nothing to wait for.
bool storeReachable()
{
    return QCoreApplication::instance() && !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS");
}

struct Answer {
    bool done = false;
    QKeychain::Error error = QKeychain::NoError;
    QString text;
};

// Runs the job in a local loop for at most `wait`; a job still pending then
// deletes itself whenever its answer comes.
std::shared_ptr<Answer> runJob(QKeychain::Job* job, std::chrono::milliseconds wait)
{
    auto answer = std::make_shared<Answer>();
    QEventLoop loop;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [answer, &loop](QKeychain::Job* finished) {
        answer->done = true;
        answer->error = finished->error();
        if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(finished))
            answer->text = read->textData();
        loop.quit();
    });
    QTimer::singleShot(wait, &loop, &QEventLoop::quit);
    job->setAutoDelete(true);
    job->start();
    if (!answer->done)
        loop.exec();
    QObject::disconnect(job, nullptr, &loop, nullptr);
    return answer;
}

Error unavailable() { return Error{ErrorKind::NotFound, QStringLiteral("パスワードの保管庫が使えません。")}; }

} // namespace

Result<QString> readStoredPassword(const QString& account, std::chrono::milliseconds wait)
{
    if (!storeReachable())
        return std::unexpected(unavailable());
    auto* job = new QKeychain::ReadPasswordJob(kService);
    job->setKey(account);
    const auto answer = runJob(job, wait);
    if (!answer->done || answer->error != QKeychain::NoError)
        return std::unexpected(unavailable());
    return answer->text;
}

Result<void> storePassword(const QString& account, const QString& password, std::chrono::milliseconds wait)
{
    if (!storeReachable())
        return std::unexpected(unavailable());
    auto* job = new QKeychain::WritePasswordJob(kService);
    job->setKey(account);
    job->setTextData(password);
    const auto answer = runJob(job, wait);
    if (!answer->done || answer->error != QKeychain::NoError)
        return std::unexpected(unavailable());
    return {};
}
