// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"

#include <QString>
#include <QStringList>

// What the program was started to do, read before any window or display exists.
struct CommandLine {
    enum class Mode { Window, SendDue, CheckMailbox, SignIn, Help, Version };
    Mode mode = Mode::Window;
    QString home;        // --home, else the default program folder
    QString list;        // --list: the list file of the daily run; empty for guestlst.lst
    int catchUpDays = 0; // --catch-up[=N]: older steps too, up to N days back
    QString helpText;    // for Help
};

// InvalidInput, with the reason, for an unknown option or a bad value.
Result<CommandLine> parseCommandLine(const QStringList& arguments);
