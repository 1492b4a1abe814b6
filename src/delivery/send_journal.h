#pragma once

#include "common/error.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// What the send journal knows of one mail: written as sending before the
// server hears of it, then once more with its outcome.
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

// The step column for a send-list line: "repeat" for step 0, "1".."7" for the steps.
QString journalStep(int step);

QByteArray formatJournalLine(const JournalEntry& entry);
std::optional<JournalEntry> parseJournalLine(const QString& line);

// Appends one line and has it on the disk before returning.
Result<void> appendJournal(const QString& path, const JournalEntry& entry);
// Every complete line; a missing journal is an empty one.
Result<QList<JournalEntry>> readJournal(const QString& path);

// Which step mails are done for good: sent, or begun and never finished (a
// crash mid-send), which counts as uncertain. Operator mails never count.
class JournalIndex {
public:
    explicit JournalIndex(const QList<JournalEntry>& entries = {});
    void note(const JournalEntry& entry);
    bool done(const JournalEntry& mail) const;
    // Step mails whose outcome is not known, oldest first.
    QList<JournalEntry> uncertain() const;
    // The latest day a scheduled run went through to its end; invalid when none did.
    QDate lastCompletedRun() const { return lastRun_; }

private:
    QHash<QString, JournalEntry> last_; // per list, record, step, day and address
    QDate lastRun_;
};
