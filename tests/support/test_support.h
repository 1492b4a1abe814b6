// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/clock.h"
#include "common/operator_prompts.h"
#include "lists/guest_record.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

using namespace Qt::Literals::StringLiterals;

// A program folder of its own for one test, with text/ and log/.
class TestHome {
public:
    TestHome();
    QString path(const QString& name) const; // a file in the folder
    QString root() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

// A delivering guest with the given names; everything else blank or off.
GuestRecord makeGuest(const QString& family, const QString& given = QString());
// Writes the guests as records 1..n of a new list file at path.
void writeList(const QString& path, const QList<GuestRecord>& guests);
QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);

// A clock that stands still until a test moves it; pause() advances it. The
// send worker reads it from its own thread.
class FakeClock : public Clock {
public:
    explicit FakeClock(QDateTime start) : now_(std::move(start)) {}
    QDateTime now() const override;
    void pause(std::chrono::milliseconds length, const std::atomic<bool>& stop) override;
    void set(QDateTime t);
    std::atomic<int> pauses = 0;
    std::atomic<qint64> lastPauseMs = 0;

private:
    mutable QMutex mutex_;
    QDateTime now_;
};

// Runs the event loop until done() holds or the time passes; whether it held.
bool waitUntil(const std::function<bool()>& done, int milliseconds = 10000);

// Answers message boxes and file dialogs from queues and records every question.
class ScriptedPrompts : public OperatorPrompts {
public:
    struct Asked {
        QString title;
        QString text;
        PromptIcon icon;
        PromptButtons buttons;
    };
    PromptAnswer message(const QString& title, const QString& text, PromptIcon icon,
                         PromptButtons buttons) override;
    QString openFile(const QString& dir, const QString& fileName, const QString& filter) override;
    QString saveFile(const QString& dir, const QString& fileName, const QString& filter) override;

    std::function<void()> onFileDialog; // called as a file dialog opens
    std::function<void()> onMessage;    // called as a message box opens
    QList<PromptAnswer> answers;  // taken in order; when empty Ok, Yes, or Cancel to three buttons
    QStringList files;            // taken in order; cancel ("") when empty
    QList<Asked> asked;
    QStringList dialogDirs;       // the folder each file dialog opened in
};

