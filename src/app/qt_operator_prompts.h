#pragma once

#include "common/operator_prompts.h"

// Message boxes and file dialogs of the running program.
class QtOperatorPrompts : public OperatorPrompts {
public:
    PromptAnswer message(const QString& title, const QString& text, PromptIcon icon,
                         PromptButtons buttons) override;
    QString openFile(const QString& dir, const QString& fileName, const QString& filter) override;
    QString saveFile(const QString& dir, const QString& fileName, const QString& filter) override;
};

// Ends the process at once: every file the program writes is closed by then.
class QtProgramControl : public ProgramControl {
public:
    void endProgram() override;
};
