#pragma once

class Clock;
class OperatorPrompts;
class MailTransport;
class PrintSurfaceFactory;
class ProgramControl;

// The outside world of the main window: real in main(), scripted in tests.
struct Seams {
    Clock& clock;
    OperatorPrompts& prompts;
    MailTransport& transport;
    PrintSurfaceFactory& printing;
    ProgramControl& control;
};
