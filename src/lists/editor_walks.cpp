// SPDX-License-Identifier: GPL-3.0-or-later
#include "lists/editor_walks.h"

#include "common/text_field.h"

const std::array<ProbeField, kKeywordListCount>& keywordFields()
{
    static const std::array<ProbeField, kKeywordListCount> fields{
        &GuestRecord::fName,    &GuestRecord::sName,   &GuestRecord::hName,
        &GuestRecord::birthday, &GuestRecord::address, &GuestRecord::CoName,
    };
    return fields;
}

Result<KeywordSource> readKeywordSource(const QString& path)
{
    auto bytes = readListFile(path);
    if (!bytes)
        return std::unexpected(bytes.error());
    const int count = walkGuests(*bytes, EndTest::EmptyRecord, &GuestRecord::fName, {}, [](int, GuestRecord&) {});
    return KeywordSource{std::move(*bytes), count};
}

QString keywordAt(QByteArrayView listBytes, int k, int list)
{
    const ProbeField field = keywordFields()[list];
    return trimRight(recordAt(listBytes, k, selectFields({field})).*field);
}

Result<std::optional<int>> findKeywordRecord(const QString& path, ProbeField field, const QString& text)
{
    auto guests = readGuestList(path, EndTest::EmptyRecord, &GuestRecord::fName, selectFields({field}));
    if (!guests)
        return std::unexpected(guests.error());
    for (qsizetype i = 0; i < guests->size(); ++i) {
        if (trimRight(guests->at(i).*field) == text)
            return std::optional<int>(int(i) + 1);
    }
    return std::optional<int>();
}

Result<int> firstEmptyRecordFrom(const QString& path, int n)
{
    auto bytes = readListFile(path);
    if (!bytes)
        return std::unexpected(bytes.error());
    int k = std::max(n, 1);
    while (!IsEndOfList(recordAt(*bytes, k), EndTest::EmptyRecord))
        ++k;
    return k;
}
