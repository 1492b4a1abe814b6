// SPDX-License-Identifier: GPL-3.0-or-later
#include "lists/list_file.h"

#include "common/file_write.h"
#include "common/text_field.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

Error cannotOpen(const QString& path)
{
    return Error{ErrorKind::Io, QStringLiteral("リストファイル %1 を開けません。").arg(path)};
}

Error cannotWrite(const QString& path, const QString& reason)
{
    return Error{ErrorKind::Io, QStringLiteral("リストファイル %1 に書き込めません。\n%2").arg(path, reason)};
}

// Opening a missing list creates it empty, as the list has always done. A folder
// or a pipe is refused before opening: reading a pipe would wait forever.
Result<void> openOrCreate(QFile& file, QIODevice::OpenMode mode)
{
    if (const QFileInfo info(file.fileName()); info.exists() && !info.isFile())
        return fail(ErrorKind::Io,
                    QStringLiteral("%1 はリストファイルとして使えません（フォルダまたは特殊なファイルです）。").arg(file.fileName()));
    if (!file.exists() && !file.open(QIODevice::WriteOnly))
        return std::unexpected(cannotOpen(file.fileName()));
    file.close();
    if (!file.open(mode))
        return std::unexpected(cannotOpen(file.fileName()));
    return {};
}

// All bytes zero: every text field reads empty and every switch is 0.
bool isEmptyRecord(const GuestRecord& record)
{
    for (const GuestField& field : guestFields()) {
        if (field.text ? !(record.*field.text).isEmpty() : record.*field.number != 0)
            return false;
    }
    return true;
}

// Reserves the range first, so a full disk refuses the record whole; whatever
// was added is cut off again. Returns 0 or the errno.
int writeAt(int fd, qint64 offset, QByteArrayView bytes, qint64 oldSize)
{
    const qint64 end = offset + bytes.size();
    int code = end > oldSize ? posix_fallocate(fd, oldSize, end - oldSize) : 0;
    if (code == 0) {
        const ssize_t written = ::pwrite(fd, bytes.data(), size_t(bytes.size()), offset);
        if (written != bytes.size())
            code = written < 0 ? errno : ENOSPC;
    }
    if (code != 0 && end > oldSize) {
        // Best effort: the write's reason is the one to report (fortified glibc wants the result used).
        [[maybe_unused]] const int cut = ::ftruncate(fd, oldSize);
    }
    return code;
}

} // namespace

bool IsEndOfList(const GuestRecord& record, EndTest test, ProbeField probe)
{
    switch (test) {
    case EndTest::ZeroProbe:
        return (record.*probe).isEmpty();
    case EndTest::BlankProbe:
        return trimRight(record.*probe).isEmpty();
    case EndTest::EmptyRecord:
        return isEmptyRecord(record);
    }
    return true;
}

Result<QByteArray> readListFile(const QString& path)
{
    QFile file(path);
    if (auto opened = openOrCreate(file, QIODevice::ReadOnly); !opened)
        return std::unexpected(opened.error());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::unexpected(cannotOpen(path));
    return bytes;
}

Result<GuestRecord> ReadGuestRecord(const QString& path, int k)
{
    QFile file(path);
    if (auto opened = openOrCreate(file, QIODevice::ReadOnly); !opened)
        return std::unexpected(opened.error());
    const qint64 offset = qint64(k - 1) * kRecordSize;
    if (k < 1 || offset >= file.size())
        return GuestRecord{};
    file.seek(offset);
    return decodeGuestRecord(file.read(kRecordSize));
}

Result<void> WriteGuestRecord(const QString& path, int k, const GuestRecord& record)
{
    QFile file(path);
    if (k < 1)
        return std::unexpected(cannotWrite(path, QStringLiteral("レコード番号 %1 は使えません。").arg(k)));
    if (auto opened = openOrCreate(file, QIODevice::ReadWrite); !opened)
        return std::unexpected(opened.error());
    const int code = writeAt(file.handle(), qint64(k - 1) * kRecordSize, encodeGuestRecord(record), file.size());
    if (code != 0)
        return std::unexpected(cannotWrite(path, writeFailureReason(code)));
    return {};
}

Result<void> CreateListFile(const QString& path) { return replaceListFile(path, QByteArray(kRecordSize, '\0')); }

GuestRecord recordAt(QByteArrayView listBytes, int k, const FieldSelection& fields)
{
    const qsizetype offset = qsizetype(k - 1) * kRecordSize;
    if (k < 1 || offset >= listBytes.size())
        return GuestRecord{};
    return decodeGuestRecord(listBytes.sliced(offset).first(std::min<qsizetype>(kRecordSize, listBytes.size() - offset)),
                             fields);
}

int walkGuests(QByteArrayView listBytes, EndTest test, ProbeField probe, const FieldSelection& fields,
               const GuestVisit& visit)
{
    // Fields left out read empty: a record that looks like the end is read
    // whole before it ends the walk.
    const FieldSelection decoded = fields | selectFields({probe});
    GuestRecord record;
    int k = 1;
    for (; qsizetype(k - 1) * kRecordSize < listBytes.size(); ++k) {
        const QByteArrayView bytes = listBytes.sliced(qsizetype(k - 1) * kRecordSize).first(
            std::min<qsizetype>(kRecordSize, listBytes.size() - qsizetype(k - 1) * kRecordSize));
        decodeGuestRecord(bytes, decoded, record);
        if (IsEndOfList(record, test, probe) && IsEndOfList(decodeGuestRecord(bytes), test, probe))
            break;
        visit(k, record);
    }
    return k - 1;
}

Result<int> walkGuestList(const QString& path, EndTest test, ProbeField probe, const FieldSelection& fields,
                          const GuestVisit& visit)
{
    auto bytes = readListFile(path);
    if (!bytes)
        return std::unexpected(bytes.error());
    return walkGuests(*bytes, test, probe, fields, visit);
}

Result<QList<GuestRecord>> readGuestList(const QString& path, EndTest test, ProbeField probe,
                                         const FieldSelection& fields)
{
    auto bytes = readListFile(path);
    if (!bytes)
        return std::unexpected(bytes.error());
    QList<GuestRecord> guests;
    guests.reserve(bytes->size() / kRecordSize);
    walkGuests(*bytes, test, probe, fields, [&guests](int, GuestRecord& guest) { guests.append(std::move(guest)); });
    return guests;
}

Result<void> replaceListFile(const QString& path, const QByteArray& bytes)
{
    if (auto written = writeWholeFile(path, bytes); !written)
        return std::unexpected(cannotWrite(path, written.error().message));
    return {};
}
