// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/command_line.h"

// ladderpost --sign-in [--home DIR]: the OAuth 2.0 sign-in of smtp.ini's mailbox
// without a window. The browser is $BROWSER, else xdg-open; the address is
// printed too, to open by hand. Exit status 0 when signed in and kept, 2 otherwise.
int signIn(int argc, char** argv, const CommandLine& line);
