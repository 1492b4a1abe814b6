// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange/ui/exchange_commands.h"

#include "exchange/csv_export.h"
#include "exchange/csv_import.h"

ExchangeCommands::ExchangeCommands(const ProgramDir& dir, OperatorPrompts& prompts) : dir_(dir), prompts_(prompts)
{
}

bool ExchangeCommands::confirmed(const QString& heading, const QString& text)
{
    return prompts_.message(messageTitle(heading), text, PromptIcon::Warning, PromptButtons::OkCancel) ==
           PromptAnswer::Ok;
}

void ExchangeCommands::ExportCsv(const QString& listPath)
{
    const QString question = dir_.root() + QStringLiteral("/ に\n既に \"Quolda.csv\" が存在する場合は上書きします。\n"
                                                          "よろしいですか？");
    if (!confirmed(QStringLiteral("　拡張CSVエクスポート　"), question))
        return;
    if (auto written = exportList(listPath, dir_.exchangeCsv()); !written)
        prompts_.warn(messageTitle(QStringLiteral("　エクスポートエラー　")), written.error().message);
}

std::optional<int> ExchangeCommands::ImportCsv(const QString& listPath)
{
    const QString question =
        dir_.root() + QStringLiteral("/Quolda.csv から\n名簿をインポートします。\nよろしいですか？");
    if (!confirmed(QStringLiteral("　拡張CSVインポート　"), question))
        return std::nullopt;
    auto imported = importList(dir_.exchangeCsv(), listPath);
    if (!imported) {
        prompts_.warn(messageTitle(QStringLiteral("　インポートエラー　")), imported.error().message);
        return std::nullopt;
    }
    return *imported;
}
