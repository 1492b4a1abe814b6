// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ui/readable_colour.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTextContrast = 4.5;
// Where black on the base reads as well as white does.
constexpr double kDarkestLightBase = 0.18;

double luminance(const QColor& colour)
{
    const auto channel = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}

} // namespace

double contrastRatio(const QColor& a, const QColor& b)
{
    // The list form returns values: the two-argument one would refer to temporaries.
    const auto [dark, light] = std::minmax({luminance(a), luminance(b)});
    return (light + 0.05) / (dark + 0.05);
}

// A light base keeps the program's own colour; on a dark one it goes towards white in small steps.
QColor readableOn(const QColor& wanted, const QColor& base)
{
    if (luminance(base) >= kDarkestLightBase)
        return wanted;
    const QColor end(Qt::white);
    for (int step = 0; step <= 20; ++step) {
        const double t = step / 20.0;
        const QColor mixed = QColor::fromRgbF(float(wanted.redF() + (end.redF() - wanted.redF()) * t),
                                              float(wanted.greenF() + (end.greenF() - wanted.greenF()) * t),
                                              float(wanted.blueF() + (end.blueF() - wanted.blueF()) * t));
        if (contrastRatio(mixed, base) >= kTextContrast)
            return mixed;
    }
    return end;
}
