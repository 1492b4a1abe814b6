// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "printing/print_selection.h"
#include "printing/print_surface.h"

#include <QList>
#include <QString>

constexpr int kDataListFontPoints = 7;

// Where each of the ten columns starts, in widths of "0".
const QList<int>& dataListColumnSteps();

// Prints the ruled table on landscape A4; gives the number of guest lines,
// 0 when there was nothing to print (no document is then ended).
Result<int> PrintDataList(const QString& listPath, const RecordChoice& choice, PrintSurface& surface);
