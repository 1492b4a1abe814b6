#pragma once

#include "lists/guest_record.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

// The steps (1..7) due on the day written todayText ("yyyy/MM/dd"), in order.
// A step is due when the guest is delivering, its switch or the repeat switch
// is 1, and its stored date, all ten characters, equals todayText.
QList<int> dueSteps(const GuestRecord& guest, const QString& todayText);

// The mail a guest receives on that day: 0 (the repeat mail) when the repeat
// switch is 1 and any step date is today; otherwise the earliest step dated
// today, whatever its switch; nothing when no step date is today.
std::optional<int> mailChoice(const GuestRecord& guest, const QString& todayText);

// The eight step boxes after a mouse click on box `clicked`: it toggles once;
// the repeat box (0) clears the seven step boxes, a step box clears repeat.
std::array<bool, kStepCount> switchesAfterClick(std::array<bool, kStepCount> boxes, int clicked);
