// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>
#include <QtGlobal>

// The number a text begins with, leading spaces skipped: "12mm" gives 12,
// " 2.5" gives 2.5, a text that does not begin with a number gives 0.
double leadingNumber(QStringView text);

// Nearest 16-bit integer, an exact half going to the even neighbour;
// values beyond the range stop at its ends.
qint16 roundToInt16(double value);
