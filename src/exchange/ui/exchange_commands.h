// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/operator_prompts.h"
#include "common/program_dir.h"

#include <QString>

#include <optional>

// The Tools menu's export and import of the whole list through Quolda.csv.
class ExchangeCommands {
public:
    ExchangeCommands(const ProgramDir& dir, OperatorPrompts& prompts);

    // Asks, then writes the list to Quolda.csv; a failure is shown and the
    // old file stays.
    void ExportCsv(const QString& listPath);
    // Asks, then imports Quolda.csv into the list. The number of guest lines
    // written, or nothing when cancelled or failed (with its message shown).
    std::optional<int> ImportCsv(const QString& listPath);

private:
    bool confirmed(const QString& heading, const QString& text);

    ProgramDir dir_;
    OperatorPrompts& prompts_;
};
