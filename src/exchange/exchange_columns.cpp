// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange/exchange_columns.h"

namespace {

std::array<ExchangeColumn, kExchangeColumnCount> buildColumns()
{
    struct Named {
        const char* key;
        const char* title;
    };
    // Full-width digits in the titles, as spreadsheets of the list have always shown.
    static constexpr Named kNamed[kExchangeColumnCount] = {
        {nullptr, "番号"},
        {"fName", "名字"},
        {"sName", "名前"},
        {"hName", "ニックネーム"},
        {"birthday", "生年月日"},
        {"address", "メールアドレス"},
        {"soushin", "配信状況"},
        {"shiryou", "資料送付"},
        {"keisyou", "敬称"},
        {"CoName", "社名"},
        {"Post", "郵便番号"},
        {"jyusyo", "住所"},
        {"TEL", "TEL"},
        {"FAX", "FAX"},
        {"fast", "初回配信日"},
        {"second", "２回目配信日"},
        {"third", "３回目配信日"},
        {"fourth", "４回目配信日"},
        {"fifth", "５回目配信日"},
        {"sixth", "６回目配信日"},
        {"seventh", "最終配信日"},
        {"repeat", "繰返し配信"},
        {"mail1", "初回配信する/しない"},
        {"mail2", "２回目配信する/しない"},
        {"mail3", "３回目配信する/しない"},
        {"mail4", "４回目配信する/しない"},
        {"mail5", "５回目配信する/しない"},
        {"mail6", "６回目配信する/しない"},
        {"mail7", "最終配信する/しない"},
    };
    std::array<ExchangeColumn, kExchangeColumnCount> columns;
    for (int i = 0; i < kExchangeColumnCount; ++i)
        columns[i] = {QString::fromUtf8(kNamed[i].title), kNamed[i].key ? findGuestField(kNamed[i].key) : nullptr};
    return columns;
}

} // namespace

const std::array<ExchangeColumn, kExchangeColumnCount>& exchangeColumns()
{
    static const auto columns = buildColumns();
    return columns;
}
