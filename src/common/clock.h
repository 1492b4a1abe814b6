// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringView>

#include <atomic>
#include <chrono>
#include <optional>

// The program's only source of the date and time, so tests can fix both.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
    // Waits the given time on a monotonic timer; returns early once stop is set.
    virtual void pause(std::chrono::milliseconds length, const std::atomic<bool>& stop) = 0;
};

// The local clock. Its pause blocks the calling thread: call it off the window's thread.
class SystemClock : public Clock {
public:
    QDateTime now() const override;
    void pause(std::chrono::milliseconds length, const std::atomic<bool>& stop) override;
};

// "yyyy/MM/dd", the form of every stored date.
QString dateText(const QDate& date);
// The day a text in exactly that form names; nothing for any other text or a
// day the calendar does not have.
std::optional<QDate> dateFromText(QStringView text);
