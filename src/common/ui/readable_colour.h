// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

// Contrast of two colours as WCAG 2 defines it, from 1 to 21.
double contrastRatio(const QColor& a, const QColor& b);
// The program's own colour on a light base; on a dark one a lighter tone of it
// that stands out at the ratio the text of a form needs (4.5:1).
QColor readableOn(const QColor& wanted, const QColor& base);
