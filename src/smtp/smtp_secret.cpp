// SPDX-License-Identifier: GPL-3.0-or-later
#include "smtp/smtp_secret.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <qt6keychain/keychain.h>

#include <memory>
#include <utility>

namespace {

const QString kService = QStringLiteral("Ladderpost SMTP");

// QtKeychain talks over the session bus; without one (or without an
// application object to run its replies) there is nothing to wait for.
bool storeReachable()
{
    return QCoreApplication::instance() && !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS");
}

Error unavailable() { return Error{ErrorKind::NotFound, QStringLiteral("パスワードの保管庫が使えません。")}; }

// Starts the job; answer runs once, with the stored text, or with an error when
// the store fails or has not answered within wait. A late job deletes itself.
void runJob(QKeychain::Job* job, std::chrono::milliseconds wait, QObject* context, PasswordAnswer answer)
{
    auto pending = std::make_shared<PasswordAnswer>(std::move(answer));
    const auto reply = [pending](Result<QString> result) {
        if (auto once = std::exchange(*pending, nullptr))
            once(std::move(result));
    };
    if (!storeReachable()) {
        delete job;
        reply(std::unexpected(unavailable()));
        return;
    }
    QObject::connect(job, &QKeychain::Job::finished, context, [reply](QKeychain::Job* finished) {
        const auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(finished);
        reply(finished->error() != QKeychain::NoError ? Result<QString>(std::unexpected(unavailable()))
                                                      : read ? read->textData() : QString());
    });
    QTimer::singleShot(wait, context, [reply] { reply(std::unexpected(unavailable())); });
    job->setAutoDelete(true);
    job->start();
}

Result<QString> waitFor(QKeychain::Job* job, std::chrono::milliseconds wait)
{
    QEventLoop loop;
    Result<QString> result = std::unexpected(unavailable());
    bool answered = false;
    runJob(job, wait, &loop, [&](Result<QString> r) {
        result = std::move(r);
        answered = true;
        loop.quit();
    });
    if (!answered)
        loop.exec();
    return result;
}

QKeychain::Job* readJob(const QString& account)
{
    auto* job = new QKeychain::ReadPasswordJob(kService);
    job->setKey(account);
    return job;
}

QKeychain::Job* writeJob(const QString& account, const QString& password)
{
    auto* job = new QKeychain::WritePasswordJob(kService);
    job->setKey(account);
    job->setTextData(password);
    return job;
}

} // namespace

void askStoredPassword(const QString& account, std::chrono::milliseconds wait, QObject* context, PasswordAnswer answer)
{
    runJob(readJob(account), wait, context, std::move(answer));
}

void keepStoredPassword(const QString& account, const QString& password, std::chrono::milliseconds wait,
                        QObject* context, std::function<void(Result<void>)> answer)
{
    runJob(writeJob(account, password), wait, context, [answer = std::move(answer)](Result<QString> r) {
        answer(r ? Result<void>() : Result<void>(std::unexpected(r.error())));
    });
}

Result<QString> readStoredPassword(const QString& account, std::chrono::milliseconds wait)
{
    return waitFor(readJob(account), wait);
}
