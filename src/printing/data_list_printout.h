#pragma once

#include "common/error.h"
#include "lists/guest_record.h"
#include "printing/print_selection.h"
#include "printing/print_surface.h"

#include <QStringList>

constexpr int kDataListFontPoints = 7;

// The ten column titles and where each column starts, in widths of "0".
const QStringList& dataListTitles();
const QList<int>& dataListColumnSteps();

// The ten texts of record k's line, as the data list shows them.
QStringList dataListLine(int k, const GuestRecord& guest);

// Prints the ruled table on landscape A4; gives the number of guest lines,
// 0 when there was nothing to print (no document is then ended).
Result<int> PrintDataList(const QString& listPath, const RecordChoice& choice, PrintSurface& surface);
