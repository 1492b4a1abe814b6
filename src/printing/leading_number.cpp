// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/leading_number.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

double leadingNumber(QStringView text)
{
    static const QRegularExpression number(
        QStringLiteral(R"(^\s*([+-]?(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?))"));
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch())
        return 0.0;
    const double value = match.captured(1).toDouble();
    return std::isfinite(value) ? value : 0.0;
}

qint16 roundToInt16(double value)
{
    constexpr double low = std::numeric_limits<qint16>::min();
    constexpr double high = std::numeric_limits<qint16>::max();
    if (std::isnan(value))
        return 0;
    // nearbyint follows the default rounding mode, which rounds halves to even.
    return qint16(std::clamp(std::nearbyint(value), low, high));
}
