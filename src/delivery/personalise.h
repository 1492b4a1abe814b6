// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

inline const QString kPersonalMarker = QStringLiteral("★★★");

// Every marker (case-insensitive) becomes the family name and honorific, each
// with trailing spaces removed.
QString personalise(const QString& text, const QString& familyName, const QString& honorific);
