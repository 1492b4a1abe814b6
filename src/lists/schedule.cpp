// SPDX-License-Identifier: GPL-3.0-or-later
#include "lists/schedule.h"

QList<int> dueSteps(const GuestRecord& guest, const QString& todayText)
{
    QList<int> steps;
    if (!isDelivering(guest))
        return steps;
    for (int step = 1; step < kStepCount; ++step) {
        const bool switchedOn = stepSwitch(guest, step) == 1 || guest.repeat == 1;
        if (switchedOn && stepDate(guest, step) == todayText)
            steps.append(step);
    }
    return steps;
}

FieldSelection dueTestFields()
{
    return selectFields({&GuestRecord::soushin, &GuestRecord::fast, &GuestRecord::second, &GuestRecord::third,
                         &GuestRecord::fourth, &GuestRecord::fifth, &GuestRecord::sixth, &GuestRecord::seventh});
}

std::array<bool, kStepCount> switchesAfterClick(std::array<bool, kStepCount> boxes, int clicked)
{
    boxes[clicked] = !boxes[clicked];
    if (clicked == 0)
        std::fill(boxes.begin() + 1, boxes.end(), false);
    else
        boxes[0] = false;
    return boxes;
}
