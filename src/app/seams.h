// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class Clock;
class OperatorPrompts;
class MailTransport;
class PrintSurfaceFactory;

// The outside world of the main window: real in main(), scripted in tests.
struct Seams {
    Clock& clock;
    OperatorPrompts& prompts;
    MailTransport& transport;
    PrintSurfaceFactory& printing;
};
