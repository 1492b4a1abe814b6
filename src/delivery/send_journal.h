// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// What the old send journal knew of one mail: written as sending before the
// server heard of it, then once more with its outcome.
enum class JournalState { Sending, Sent, Failed, Refused, Uncertain };

// One line of send-journal.txt (UTF-8, tab-separated, in this order).
struct JournalEntry {
    QDateTime time;
    QString list; // the list file's absolute path
    int record = 0;
    QString name;
    QString address;
    QString step; // "1".."7", "repeat", "target", "scramble", "test"; "run" marks a finished scheduled run
    QDate due;    // the day a step mail (or a finished run) is for
    JournalState state = JournalState::Sending;
    QString reply;
    QString log; // the send log's file name
};

std::optional<JournalEntry> parseJournalLine(const QString& line);
// Every complete line; a missing journal is an empty one. Only the send
// record's one-time import reads it.
Result<QList<JournalEntry>> readJournal(const QString& path);
