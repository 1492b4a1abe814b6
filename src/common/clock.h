#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringView>

#include <optional>

// The program's only source of the date and time, so tests can fix both.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
    // Waits until the clock, read to the second, has passed now() + days.
    virtual void pause(double days) = 0;
};

// The local clock; its pause keeps the event loop running so windows paint.
class SystemClock : public Clock {
public:
    QDateTime now() const override;
    void pause(double days) override;
};

// "yyyy/MM/dd", the form of every stored date.
QString dateText(const QDate& date);
// The day a text in exactly that form names; nothing for any other text or a
// day the calendar does not have.
std::optional<QDate> dateFromText(QStringView text);
