// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/clock.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

// The wall clock read to the second ended the pause up to a second early.
TEST(SystemClock, PauseNeverEndsEarlyAndStopsWhenAsked)
{
    SystemClock clock;
    const std::atomic<bool> keepGoing = false;
    QElapsedTimer timer;
    timer.start();
    clock.pause(std::chrono::milliseconds(1200), keepGoing);
    EXPECT_GE(timer.elapsed(), 1200);

    const std::atomic<bool> stop = true;
    timer.restart();
    clock.pause(std::chrono::minutes(1), stop);
    EXPECT_LT(timer.elapsed(), 1000);
}
