// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QStringList>
#include <QVariantMap>

void DesktopNotifier::notify(const QString& summary, const QString& body)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusInterface notifications(QStringLiteral("org.freedesktop.Notifications"),
                                 QStringLiteral("/org/freedesktop/Notifications"),
                                 QStringLiteral("org.freedesktop.Notifications"), bus);
    notifications.setTimeout(2000);
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("org.ladderpost.Ladderpost")}};
    notifications.call(QStringLiteral("Notify"), QStringLiteral("Ladderpost"), 0u,
                       QStringLiteral("org.ladderpost.Ladderpost"), summary, body, QStringList(), hints, -1);
}
