// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <utility>

// A widget with its objectName: the name the tests and the accessibility tree find it by.
template <typename W, typename... Args>
W* named(const QString& name, Args&&... args)
{
    auto* widget = new W(std::forward<Args>(args)...);
    widget->setObjectName(name);
    return widget;
}
