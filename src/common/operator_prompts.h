// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

enum class PromptIcon { None, Warning, Question, Information };
// YesNoDefaultNo: Return answers No.
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoDefaultNo, YesNoCancel };
enum class PromptAnswer { Ok, Cancel, Yes, No };

// The application title that closes every message-box title.
inline const QString kAppTitle = QStringLiteral("Quolda");

// A heading framed by ideographic spaces, followed by the application title.
inline QString messageTitle(const QString& heading) { return heading + kAppTitle; }

// Message boxes and file dialogs, behind one seam so tests can script them.
class OperatorPrompts {
public:
    virtual ~OperatorPrompts() = default;
    virtual PromptAnswer message(const QString& title, const QString& text, PromptIcon icon,
                                 PromptButtons buttons) = 0;
    // The chosen path, or an empty text when the operator cancels.
    virtual QString openFile(const QString& dir, const QString& fileName, const QString& filter) = 0;
    virtual QString saveFile(const QString& dir, const QString& fileName, const QString& filter) = 0;

    void warn(const QString& title, const QString& text)
    {
        message(title, text, PromptIcon::Warning, PromptButtons::Ok);
    }
};

