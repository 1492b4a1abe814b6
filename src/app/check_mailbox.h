// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/command_line.h"

#include <QString>
#include <QTextStream>

// ladderpost --check-mailbox [--home DIR]: reads sender.ini's [imap] mailbox,
// stops the guests whose address is dead or who opted out with their token,
// and prints what it did and what waits for the operator. Exit status 0 when
// nothing waits, 1 when it listed new candidates, 2 when it could not check.
int checkMailboxCommand(int argc, char** argv, const CommandLine& line);

// The same check at the start of a run that sends, when [imap] is set, so that
// a stop is honoured before the next mail. False when it was set and failed.
bool checkMailboxFirst(const QString& programRoot, QTextStream& out);

// A provider's new refresh token, kept where the old one was; waits for the secret store.
void keepRenewedToken(const QString& home, const QString& token);
