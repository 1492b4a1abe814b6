// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lists/guest_record.h"

#include <QList>
#include <QString>

#include <array>

// The steps (1..7) due on the day written todayText ("yyyy/MM/dd"), in order.
// A step is due when the guest is delivering, its switch or the repeat switch
// is 1, and its stored date, all ten characters, equals todayText.
QList<int> dueSteps(const GuestRecord& guest, const QString& todayText);
// The text fields dueSteps reads: the delivery status and the seven dates.
FieldSelection dueTestFields();

// The eight step boxes after a mouse click on box `clicked`: it toggles once;
// the repeat box (0) clears the seven step boxes, a step box clears repeat.
std::array<bool, kStepCount> switchesAfterClick(std::array<bool, kStepCount> boxes, int clicked);
