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
