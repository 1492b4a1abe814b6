// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

// One window per program folder: two windows on one folder would undo each
// other's saves. The first start holds window.lock in the folder and listens
// on a local socket named after the folder; a later start asks it to come to
// the front and ends. A lock left by a process that died is taken over.
class SingleWindow : public QObject {
    Q_OBJECT
public:
    explicit SingleWindow(const QString& programRoot, QObject* parent = nullptr);
    // True for the folder's first window; false once the one already open was asked to show itself.
    bool claim();

signals:
    void raiseRequested();

private:
    QString name_; // of the local socket
    QLockFile lock_;
    QLocalServer server_;
};
