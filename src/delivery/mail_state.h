// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// What became of one mail. A step mail goes due -> sending -> sent; one the
// server put off, or that never reached it whole, is deferred until its next
// try and given up after retry_days; uncertain only when the whole message
// went out and no answer came; expired when its day lay too far back to send.
enum class MailState { Due, Sending, Sent, Deferred, Refused, GivenUp, Uncertain, Expired };

// The one wording of each state, in the history, the report and the daily run's output.
QString mailStateWord(MailState state);

// A step mail goes once per guest, step and day; the operator's own sends are
// recorded but never held back.
enum class MailKind { Step, Target, Scramble };
