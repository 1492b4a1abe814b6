// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/operator_prompts.h"

#include <QString>

// The window's one common file dialog: every file command goes through it,
// and the last file chosen in it is the target of the overwrite command.
class FileDialogMemory {
public:
    explicit FileDialogMemory(OperatorPrompts& prompts) : prompts_(prompts) {}

    // The chosen path, or an empty text when the operator cancels.
    QString openFile(const QString& dir, const QString& fileName, const QString& filter);
    // An empty dir opens where the last dialog was left.
    QString saveFile(const QString& dir, const QString& fileName, const QString& filter);

    const QString& lastPath() const { return lastPath_; }

private:
    QString remember(const QString& chosen);

    OperatorPrompts& prompts_;
    QString lastPath_;
    QString lastDir_;
};
