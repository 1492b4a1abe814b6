// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class Clock;
class OperatorPrompts;
class MailTransport;
class PrintSurfaceFactory;
class SendTimer;

// The outside world of the main window: real in main(), scripted in tests.
struct Seams {
    Clock& clock;
    OperatorPrompts& prompts;
    MailTransport& transport;
    PrintSurfaceFactory& printing;
    SendTimer& timer; // the systemd timer that sends without the window
};
