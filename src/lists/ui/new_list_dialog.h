#pragma once

#include "common/operator_prompts.h"
#include "common/program_dir.h"

#include <QDialog>

class QLineEdit;

// Names and creates a new list in the program folder. Closing only hides it,
// so the name box keeps its text for the next use.
class NewListDialog : public QDialog {
    Q_OBJECT
public:
    NewListDialog(const ProgramDir& programDir, OperatorPrompts& prompts, QWidget* parent);

signals:
    // The new list file exists and holds one empty record.
    void listCreated(const QString& path);

private:
    void okClicked();
    void refuse(const QString& heading, const QString& text);

    ProgramDir programDir_;
    OperatorPrompts& prompts_;
    QLineEdit* name_ = nullptr; // txtNewList
};
