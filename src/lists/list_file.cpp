#include "lists/list_file.h"

#include "common/text_field.h"

#include <QFile>
#include <QSaveFile>

namespace {

Error cannotOpen(const QString& path)
{
    return Error{ErrorKind::Io, QStringLiteral("リストファイル %1 を開けません。").arg(path)};
}

Error cannotWrite(const QString& path)
{
    return Error{ErrorKind::Io, QStringLiteral("リストファイル %1 に書き込めません。").arg(path)};
}

// Opening a missing list creates it empty, as the list has always done.
Result<void> openOrCreate(QFile& file, QIODevice::OpenMode mode)
{
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
        return std::unexpected(cannotWrite(path));
    if (auto opened = openOrCreate(file, QIODevice::ReadWrite); !opened)
        return std::unexpected(opened.error());
    const qint64 offset = qint64(k - 1) * kRecordSize;
    if (file.size() < offset) {
        file.seek(file.size());
        if (file.write(QByteArray(offset - file.size(), '\0')) < 0)
            return std::unexpected(cannotWrite(path));
    }
    const QByteArray bytes = encodeGuestRecord(record);
    if (!file.seek(offset) || file.write(bytes) != bytes.size() || !file.flush())
        return std::unexpected(cannotWrite(path));
    return {};
}

Result<void> CreateListFile(const QString& path) { return replaceListFile(path, QByteArray(kRecordSize, '\0')); }

GuestRecord recordAt(QByteArrayView listBytes, int k)
{
    const qsizetype offset = qsizetype(k - 1) * kRecordSize;
    if (k < 1 || offset >= listBytes.size())
        return GuestRecord{};
    return decodeGuestRecord(listBytes.sliced(offset).first(std::min<qsizetype>(kRecordSize, listBytes.size() - offset)));
}

Result<QList<GuestRecord>> readGuestList(const QString& path, EndTest test, ProbeField probe)
{
    auto bytes = readListFile(path);
    if (!bytes)
        return std::unexpected(bytes.error());
    QList<GuestRecord> guests;
    guests.reserve(bytes->size() / kRecordSize);
    for (int k = 1; qsizetype(k - 1) * kRecordSize < bytes->size(); ++k) {
        GuestRecord record = recordAt(*bytes, k);
        if (IsEndOfList(record, test, probe))
            break;
        guests.append(std::move(record));
    }
    return guests;
}

Result<void> replaceListFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return std::unexpected(cannotWrite(path));
    return {};
}
