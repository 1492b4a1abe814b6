// SPDX-License-Identifier: GPL-3.0-or-later
#include "lists/guest_search.h"

#include "lists/list_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

QList<int> records(const GuestSearchResult& result)
{
    QList<int> numbers;
    for (const GuestSearchRow& row : result.rows)
        numbers.append(row.record);
    return numbers;
}

QList<int> find(const GuestSearchIndex& index, const QString& query)
{
    return records(index.find(query, 100));
}

} // namespace

TEST(GuestSearch, MatchesAnyPartAcrossKanaWidthAndCase)
{
    GuestRecord yamada = makeGuest(u"山田  "_s, u"花子"_s);
    yamada.hName = u"ハナ"_s;
    yamada.address = u"Hanako.Yamada@Example.JP"_s;
    yamada.jyusyo = u"大阪府大阪市北区梅田１丁目"_s;
    GuestRecord sato = makeGuest(u"佐藤"_s, u"一郎"_s);
    sato.hName = u"ｲﾁﾛｰ"_s; // half-width katakana, as old lists hold it
    sato.CoName = u"㈱サトウ商事"_s;
    sato.TEL = u"06-1234-5678"_s;
    GuestRecord yamamoto = makeGuest(u"山本"_s, u"花"_s);
    yamamoto.Post = u"530-0001"_s;
    const GuestSearchIndex index({yamada, sato, yamamoto});

    EXPECT_EQ(find(index, u"山"_s), (QList<int>{1, 3}));
    EXPECT_EQ(find(index, u"はな"_s), (QList<int>{1}));     // hiragana finds katakana
    EXPECT_EQ(find(index, u"いちろー"_s), (QList<int>{2})); // and half-width katakana
    EXPECT_EQ(find(index, u"ｻﾄｳ"_s), (QList<int>{2}));      // typed half-width
    EXPECT_EQ(find(index, u"yamada@example"_s), (QList<int>{1}));
    EXPECT_EQ(find(index, u"ＨＡＮＡＫＯ"_s), (QList<int>{1})); // full-width capitals
    EXPECT_EQ(find(index, u"北区梅田1"_s), (QList<int>{1}));
    EXPECT_EQ(find(index, u"(株)"_s), (QList<int>{2}));
    EXPECT_EQ(find(index, u"1234-56"_s), (QList<int>{2}));
    EXPECT_EQ(find(index, u"530"_s), (QList<int>{3}));
    EXPECT_EQ(find(index, u"山田花子"_s), (QList<int>{1}));  // family and given name run together
    EXPECT_EQ(find(index, u"花　山"_s), (QList<int>{1, 3})); // every word, ideographic space between
    EXPECT_EQ(find(index, u"花子梅"_s), (QList<int>{}));     // never across two fields
    EXPECT_EQ(find(index, u"鈴木"_s), (QList<int>{}));
    EXPECT_EQ(find(index, u"  "_s), (QList<int>{}));

    const GuestSearchResult limited = index.find(u"花"_s, 1);
    EXPECT_EQ(records(limited), (QList<int>{1}));
    EXPECT_EQ(limited.total, 2);
    const GuestSearchRow& row = limited.rows.front();
    EXPECT_EQ(row.family, u"山田");
    EXPECT_EQ(row.given, u"花子");
    EXPECT_EQ(row.mail, u"Hanako.Yamada@Example.JP");
}

TEST(GuestSearch, ReadsUpToTheEmptyRecordAndNoticesAChangedFile)
{
    TestHome home;
    const QString list = home.path(u"g.lst"_s);
    writeBytes(list,
               encodeGuestRecord(makeGuest(u"鈴木"_s)) + QByteArray(kRecordSize, '\0')
                   + encodeGuestRecord(makeGuest(u"鈴木"_s, u"次郎"_s)));
    const GuestSearchIndex index = GuestSearchIndex::read(list).value();
    EXPECT_EQ(find(index, u"鈴木"_s), (QList<int>{1}));
    EXPECT_TRUE(index.isCurrent(list));
    EXPECT_FALSE(index.isCurrent(home.path(u"other.lst"_s)));

    ASSERT_TRUE(WriteGuestRecord(list, 4, makeGuest(u"高橋"_s)));
    EXPECT_FALSE(index.isCurrent(list));
}
