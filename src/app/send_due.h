// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/command_line.h"
#include "smtp/mail_transport.h"

// ladderpost --send-due [--home DIR] [--list FILE.lst] [--catch-up[=N]]: the mails
// due by now, with no window and no display. Exit status 0 when nothing due by
// now is left unsent, 1 when something was refused, put off, given up, expired
// or uncertain or the mailbox of sender.ini's [imap] could not be checked first,
// 2 when the run could not start.
int sendDue(int argc, char** argv, const CommandLine& line, MailTransport& transport);
