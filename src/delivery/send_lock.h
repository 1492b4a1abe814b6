// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"

#include <QLockFile>
#include <QString>

#include <atomic>

// send.lock, held while a run sends, so the window and the daily run never
// send at the same moment.
class SendLock {
public:
    explicit SendLock(const QString& path);
    // Waits while a run of this machine that is still alive holds it; takes
    // over a lock whose holder is gone or cannot be read; refuses, with the
    // reason, a folder in its place or another machine's lock. Returns early
    // (NotFound) once stop is set.
    Result<void> acquire(const std::atomic<bool>& stop);
    // Only when nobody holds it now.
    bool tryAcquire();

private:
    QString path_;
    QLockFile lock_;
};
