// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/operator_prompts.h"
#include "common/program_dir.h"
#include "printing/print_ini.h"
#include "printing/print_surface.h"
#include "printing/ui/print_option_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWidget>

#include <functional>

// The record chooser and start position, owned by the data-list page.
struct PrintTarget {
    QComboBox* chooser;
    QLineEdit* startPosition;
    QLabel* startLabel;
    QLabel* startSuffix;
    std::function<int()> rowCount;
    std::function<QString()> listPath;
};

// The printing controls of the printing tab: choice of printout, start button,
// notice and the button that opens the tack-sheet settings.
class PrintPanel : public QWidget {
    Q_OBJECT
public:
    PrintPanel(const ProgramDir& dir, OperatorPrompts& prompts, PrintSurfaceFactory& factory, PrintTarget target,
               QWidget* parent = nullptr);

    // The settings dialog while it is open.
    PrintOption* optionDialog() const { return option_; }

private:
    void startPrinting();
    void openOptions();
    void validateStartPosition(const QString& text);
    void showChoice();
    Result<int> print();

    ProgramDir dir_;
    OperatorPrompts& prompts_;
    PrintSurfaceFactory& factory_;
    PrintTarget target_;
    QRadioButton* labels_ = nullptr;
    QRadioButton* table_ = nullptr;
    QLabel* labelsPicture_ = nullptr;
    QLabel* tablePicture_ = nullptr;
    QLabel* notice_ = nullptr;
    QTimer* noticeTimer_ = nullptr;
    QPointer<PrintOption> option_;
    PrintSettings settings_; // the tack sheet the start position is checked against
};
