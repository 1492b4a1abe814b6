// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/clock.h"

#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>

QDateTime SystemClock::now() const { return QDateTime::currentDateTime(); }

void SystemClock::pause(std::chrono::milliseconds length, const std::atomic<bool>& stop)
{
    // A wall clock read to the second ended the pause up to a second early.
    const QDeadlineTimer until(length, Qt::PreciseTimer);
    while (!stop && !until.hasExpired())
        QThread::msleep(std::min<qint64>(until.remainingTime(), 50));
}

QString dateText(const QDate& date) { return date.toString(QStringLiteral("yyyy/MM/dd")); }

std::optional<QDate> dateFromText(QStringView text)
{
    if (text.size() != 10)
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool slash = i == 4 || i == 7;
        if (slash ? text[i] != u'/' : (text[i] < u'0' || text[i] > u'9'))
            return std::nullopt;
    }
    const QDate date(text.first(4).toInt(), text.sliced(5, 2).toInt(), text.sliced(8, 2).toInt());
    return date.isValid() ? std::optional(date) : std::nullopt;
}
