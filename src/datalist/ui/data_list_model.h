// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datalist/data_list_rows.h"

#include <QAbstractTableModel>

// The ten columns of the data list over rows read once per refill.
class DataListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    static constexpr int kColumnCount = 10;
    // Initial column widths in hundredths of a millimetre.
    static int columnWidthHmm(int column);

    void setRows(QList<DataListRow> rows);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<DataListRow> rows_;
};
