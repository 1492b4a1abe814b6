// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "exchange/csv.h"

#include <QString>

// The title row and one row per guest up to the first blank family name;
// text cells untrimmed, padded to the field's width in characters.
Result<CsvRows> exportRows(const QString& listPath);

// Writes the list to csvPath in one atomic replacement; on failure the old
// file stays as it was.
Result<void> exportList(const QString& listPath, const QString& csvPath);
