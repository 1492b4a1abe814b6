// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/operator_prompts.h"

#include <QWidget>

#include <functional>

class DataListModel;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTableView;

// The data list of the printing tab with its record chooser and the label
// start position box that the chooser enables or greys.
class DataListPanel : public QWidget {
    Q_OBJECT
public:
    DataListPanel(std::function<QString()> listPath, OperatorPrompts& prompts, QWidget* parent = nullptr);

    // Refills the rows and appends one chooser entry per row.
    void ShowDataList();
    // What selecting the printing tab does: chooser emptied, "ALL", rows.
    void refreshForTab();

    QTableView* view() const { return view_; }
    QComboBox* chooser() const { return chooser_; }
    QLineEdit* startPosition() const { return startPosition_; }
    QLabel* startLabel() const { return startLabel_; }
    QLabel* startSuffix() const { return startSuffix_; }
    int rowCount() const;

private:
    QGroupBox* buildFrame();
    void setColumnWidths();
    void onChooserActivated(int index);
    void setStartPositionEnabled(bool enabled);

    std::function<QString()> listPath_;
    OperatorPrompts& prompts_;
    DataListModel* model_;
    QTableView* view_;
    QComboBox* chooser_;
    QLabel* startLabel_;
    QLineEdit* startPosition_;
    QLabel* startSuffix_;
};
