// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/operator_prompts.h"
#include "common/program_dir.h"

#include <QDialog>

#include <functional>

class QLineEdit;

// Names and creates a new list in the program folder. Closing only hides it,
// so the name box keeps its text for the next use.
class NewListDialog : public QDialog {
    Q_OBJECT
public:
    // mayLeaveList runs before the list is created; false keeps the current
    // list and the dialog open.
    NewListDialog(const ProgramDir& programDir, OperatorPrompts& prompts, std::function<bool()> mayLeaveList,
                  QWidget* parent);

signals:
    // The new list file exists and holds one empty record.
    void listCreated(const QString& path);

private:
    void okClicked();
    void refuse(const QString& heading, const QString& text);

    ProgramDir programDir_;
    OperatorPrompts& prompts_;
    std::function<bool()> mayLeaveList_;
    QLineEdit* name_ = nullptr; // txtNewList
};
