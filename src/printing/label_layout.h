// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "lists/guest_record.h"
#include "printing/print_ini.h"
#include "printing/print_selection.h"
#include "printing/print_surface.h"

#include <QPointF>
#include <QString>
#include <QStringList>

// Top-left of label position k (0 = top-left label, counted row by row).
QPointF labelPosition(const PrintSettings& settings, int k);

// The four lines of an address label; line 3 and 4 stand 4h and 5h below line 1.
QStringList labelLines(const GuestRecord& guest);

// The printed labels, 0 when there was nothing to print (no document is then
// ended). startPosition counts labels from 1; it places a single chosen guest
// and is ignored for "ALL" or when below 1.
Result<int> PrintTackLabels(const QString& listPath, const RecordChoice& choice, int startPosition,
                            const PrintSettings& settings, PrintSurface& surface);
