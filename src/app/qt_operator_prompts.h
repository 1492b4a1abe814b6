// SPDX-License-Identifier: GPL-3.0-or-later
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

