// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"

#include <QByteArrayView>
#include <QString>

enum class FileAccess { Usual, OwnerOnly };
// Now: on the disk before the call returns. Later: with the system's own
// writeback (seconds), for files written by the thousand; made mode 0600.
enum class FileSync { Now, Later };

// True when a user other than the owner may read the file (group or others).
bool othersMayRead(const QString& path);

// Replaces the file at path with bytes, or leaves the old file as it was.
// OwnerOnly makes it mode 0600 before a byte is written (for secrets).
// On failure the message is the operating system's reason, as one sentence
// the caller puts under its own.
Result<void> writeWholeFile(const QString& path, QByteArrayView bytes, FileAccess access = FileAccess::Usual,
                           FileSync sync = FileSync::Now);

// Adds bytes at the end of the file (created when missing) and has them on the
// disk before it returns. A short write may leave part of them: readers of an
// appended file skip an unfinished last line.
Result<void> appendToFile(const QString& path, QByteArrayView bytes);

// The operator's wording for an errno value.
QString writeFailureReason(int code);
