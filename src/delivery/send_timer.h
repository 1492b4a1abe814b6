// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

// What systemd says of the timer that sends without the window.
struct TimerState {
    bool available = false; // the user's systemd answered and knows the timer
    bool enabled = false;   // switched on, for this program folder
    QString otherFolder;    // switched on, but for this folder instead
    QDateTime nextRun;
    bool lingering = false; // the user's systemd runs on after logout
    QString problem;        // why it is not available
};

// The systemd user timer ladderpost-send.timer, switched from the window. The
// service runs the program with --home when the folder is not the default one;
// a drop-in beside the user's units says so. Everything runs asynchronously:
// each call ends in stateKnown.
class SendTimer : public QObject {
    Q_OBJECT
public:
    // The programs and the user's configuration folder are for tests to replace.
    explicit SendTimer(QString home, QString systemctl = QStringLiteral("systemctl"),
                       QString loginctl = QStringLiteral("loginctl"), QString configHome = {});

    void refresh();
    void switchOn();
    void switchOff();
    QString dropInPath() const;

signals:
    void stateKnown(const TimerState& state);

private:
    using Done = std::function<void(bool ok, const QString& output)>;
    void run(QList<QStringList> commands, Done done);
    void readLinger(TimerState state);
    void fail(const QString& why);
    QString dropInFolder() const;

    QString home_;
    QString systemctl_;
    QString loginctl_;
    QString configHome_;
};
