#pragma once

// ladderpost --send-due [--home DIR] [--list FILE.lst] [--catch-up]: today's due
// step mails (and, with --catch-up, the days since the last finished run), with
// no window and no display. Exit status 0 when every due mail went or had gone
// before, 1 when some did not, 2 when the run could not start.
int sendDue(int argc, char** argv);
