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

FieldSelection keywordSelection()
{
    const auto& fields = keywordFields();
    return selectFields({fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]});
}

std::array<QStringList, kKeywordListCount> keywordColumns(QList<GuestRecord> guests)
{
    std::array<QStringList, kKeywordListCount> columns;
    for (int i = 0; i < kKeywordListCount; ++i) {
        columns[i].reserve(guests.size());
        for (GuestRecord& guest : guests)
            columns[i].append(trimRight(std::move(guest.*keywordFields()[i])));
    }
    return columns;
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
