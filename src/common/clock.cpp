#include "common/clock.h"

#include <QCoreApplication>
#include <QThread>

QDateTime SystemClock::now() const { return QDateTime::currentDateTime(); }

void SystemClock::pause(double days)
{
    const QDateTime until = now().addMSecs(qint64(days * 86400.0 * 1000.0));
    const auto toSecond = [](const QDateTime& t) { return t.toSecsSinceEpoch(); };
    while (toSecond(now()) < toSecond(until)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
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
