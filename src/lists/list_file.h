// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "lists/guest_record.h"

#include <QList>
#include <QString>

#include <functional>

// The list file: guest records of 346 bytes, record k (from 1) at (k-1)*346.
// Every function opens the file, does its one transfer and closes it again.
// A missing file is created empty; a partial last record reads zero-padded.

enum class EndTest {
    ZeroProbe,   // the probe field begins with a zero byte
    BlankProbe,  // the probe field is blank once trailing spaces are removed
    EmptyRecord, // every byte of the record is zero
};

using ProbeField = QString GuestRecord::*;

bool IsEndOfList(const GuestRecord& record, EndTest test, ProbeField probe = &GuestRecord::fName);

// Record k, or an empty record when k lies past the end.
Result<GuestRecord> ReadGuestRecord(const QString& path, int k);
// Writes the 346 bytes in place, extending the file with empty records.
Result<void> WriteGuestRecord(const QString& path, int k, const GuestRecord& record);
// Creates or overwrites the file so that it holds one empty record.
Result<void> CreateListFile(const QString& path);

// The walk every whole-list operation uses: records 1, 2, ... of the list's
// bytes up to (not including) the first that ends the list by `test`. Only the
// text `fields` are decoded; the others read empty. Each record is decoded into
// the one that `visit` sees, which copies or takes what it keeps: a walk holds
// no guest but the current one. Returns how many records it visited.
using GuestVisit = std::function<void(int k, GuestRecord& guest)>;
int walkGuests(QByteArrayView listBytes, EndTest test, ProbeField probe, const FieldSelection& fields,
               const GuestVisit& visit);
// The same over one read of the file.
Result<int> walkGuestList(const QString& path, EndTest test, ProbeField probe, const FieldSelection& fields,
                          const GuestVisit& visit);
// Every record of the walk, kept.
Result<QList<GuestRecord>> readGuestList(const QString& path, EndTest test,
                                         ProbeField probe = &GuestRecord::fName,
                                         const FieldSelection& fields = allFields());

// Record k of a list file's bytes: zero-padded when partial, empty past the end.
GuestRecord recordAt(QByteArrayView listBytes, int k, const FieldSelection& fields = allFields());

// The raw bytes, for operations that must carry records over unchanged.
Result<QByteArray> readListFile(const QString& path);
// Replaces the whole file atomically: the old list or the new, never a mixture.
Result<void> replaceListFile(const QString& path, const QByteArray& bytes);
