// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>

class QWidget;

// The widgets inside root that Tab stops at, in the order it visits them now.
QList<QWidget*> tabChainOf(QWidget* root);
// Tab visits these one after the other.
void setTabChain(const QList<QWidget*>& widgets);
