// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// A message on the operator's desktop, for what a run without the window did.
class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void notify(const QString& summary, const QString& body) = 0;
};

// org.freedesktop.Notifications on the session bus. Without a bus or a service
// answering within two seconds nothing is shown: the report in report/ stays.
class DesktopNotifier : public Notifier {
public:
    void notify(const QString& summary, const QString& body) override;
};
