// SPDX-License-Identifier: GPL-3.0-or-later
#include "datalist/data_list_rows.h"

#include "common/text_field.h"
#include "lists/list_file.h"

QString dataListNumber(int record) { return QString::number(record).rightJustified(4, u'0'); }

const QStringList& dataListTitles()
{
    static const QStringList titles = {QStringLiteral("番号"), QStringLiteral("氏名"),
                                       QStringLiteral("ニックネーム"), QStringLiteral("会社名"),
                                       QStringLiteral("〒"), QStringLiteral("住所"),
                                       QStringLiteral("TEL"), QStringLiteral("FAX"),
                                       QStringLiteral("メールアドレス"), QStringLiteral("生年月日")};
    return titles;
}

QStringList dataListCells(int record, const GuestRecord& guest)
{
    return {dataListNumber(record), displayName(guest), trimRight(guest.hName), trimRight(guest.CoName),
            trimRight(guest.Post), trimRight(guest.jyusyo), trimRight(guest.TEL), trimRight(guest.FAX),
            trimRight(guest.address), trimRight(guest.birthday)};
}

Result<QList<DataListRow>> readDataListRows(const QString& listPath)
{
    using R = GuestRecord;
    auto bytes = readListFile(listPath);
    if (!bytes)
        return std::unexpected(bytes.error());
    QList<DataListRow> rows;
    walkGuests(*bytes, EndTest::BlankProbe, &R::fName,
               selectFields({&R::fName, &R::sName, &R::hName, &R::CoName, &R::Post, &R::jyusyo, &R::TEL, &R::FAX,
                             &R::address, &R::birthday}),
               [&rows](int k, const GuestRecord& guest) {
                   if (k > kMaxDataListRows)
                       return;
                   QStringList cells = dataListCells(k, guest);
                   rows.append({cells.first(), std::move(cells)});
               });
    return rows;
}
