// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The tack-sheet layout: lengths in millimetres, font size in points.
struct PrintSettings {
    float left = 10, top = 15, width = 80, height = 35, xGap = 20, yGap = 10;
    qint16 across = 2, down = 6, fontSize = 10;

    // Counts of 0 or less act as 1, so the position arithmetic never divides by zero.
    int effectiveAcross() const { return across < 1 ? 1 : across; }
    int effectiveDown() const { return down < 1 ? 1 : down; }
    int labelsPerSheet() const { return effectiveAcross() * effectiveDown(); }

    bool operator==(const PrintSettings&) const = default;
};

// Nine values separated by line breaks or commas; fails unless all nine read as numbers.
Result<PrintSettings> parsePrintIni(QByteArrayView bytes);
// Nine lines ended by CR LF, lengths in their shortest decimal form.
QByteArray formatPrintIni(const PrintSettings& settings);
// Shortest decimal form that reads back as the same single-precision value.
QString shortestDecimal(float value);

// The settings file; the window tells the operator when it cannot be read or written.
Result<PrintSettings> loadPrintSettings(const QString& path);
Result<void> savePrintSettings(const QString& path, const PrintSettings& settings);
// The stored settings, or the defaults when the file is missing or unreadable.
PrintSettings printSettingsOrDefaults(const QString& path);

