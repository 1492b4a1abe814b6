// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/operator_prompts.h"
#include "printing/print_ini.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>

// The tack-sheet settings: shows the stored values, stores what is typed on OK.
class PrintOption : public QDialog {
    Q_OBJECT
public:
    PrintOption(const QString& printIniPath, OperatorPrompts& prompts, QWidget* parent = nullptr);

    // The values the boxes hold now, read as OK reads them.
    PrintSettings typedSettings() const;

private:
    void showSettings(const PrintSettings& settings);
    void confirm();

    QString path_;
    OperatorPrompts& prompts_;
    QLineEdit* lengths_[6] = {};
    QLineEdit* across_ = nullptr;
    QLineEdit* down_ = nullptr;
    QComboBox* fontSize_ = nullptr;
};
