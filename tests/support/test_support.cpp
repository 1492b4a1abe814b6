// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_support.h"

#include "lists/list_file.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

TestHome::TestHome()
{
    QDir(dir_.path()).mkpath(QStringLiteral("text"));
    QDir(dir_.path()).mkpath(QStringLiteral("log"));
}

QString TestHome::path(const QString& name) const { return dir_.filePath(name); }

GuestRecord makeGuest(const QString& family, const QString& given)
{
    GuestRecord guest;
    guest.fName = family;
    guest.sName = given;
    guest.soushin = QStringLiteral("配信中");
    return guest;
}

void writeList(const QString& path, const QList<GuestRecord>& guests)
{
    QByteArray bytes;
    for (const GuestRecord& guest : guests)
        bytes += encodeGuestRecord(guest);
    writeBytes(path, bytes);
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QDateTime FakeClock::now() const
{
    const QMutexLocker lock(&mutex_);
    return now_;
}

void FakeClock::pause(std::chrono::milliseconds length, const std::atomic<bool>&)
{
    ++pauses;
    lastPauseMs = length.count();
    const QMutexLocker lock(&mutex_);
    now_ = now_.addMSecs(length.count());
}

void FakeClock::set(QDateTime t)
{
    const QMutexLocker lock(&mutex_);
    now_ = std::move(t);
}

bool waitUntil(const std::function<bool()>& done, int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

PromptAnswer ScriptedPrompts::message(const QString& title, const QString& text, PromptIcon icon,
                                      PromptButtons buttons)
{
    asked.append({title, text, icon, buttons});
    if (onMessage)
        onMessage();
    if (!answers.isEmpty())
        return answers.takeFirst();
    switch (buttons) {
    case PromptButtons::YesNo:
        return PromptAnswer::Yes;
    case PromptButtons::YesNoCancel:
        return PromptAnswer::Cancel;
    case PromptButtons::YesNoDefaultNo:
        return PromptAnswer::No;
    default:
        return PromptAnswer::Ok;
    }
}

QString ScriptedPrompts::openFile(const QString& dir, const QString&, const QString&)
{
    if (onFileDialog)
        onFileDialog();
    dialogDirs.append(dir);
    return files.isEmpty() ? QString() : files.takeFirst();
}

QString ScriptedPrompts::saveFile(const QString& dir, const QString&, const QString&)
{
    dialogDirs.append(dir);
    return files.isEmpty() ? QString() : files.takeFirst();
}
