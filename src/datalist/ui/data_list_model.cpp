// SPDX-License-Identifier: GPL-3.0-or-later
#include "datalist/ui/data_list_model.h"

#include <array>

namespace {

struct Column {
    int widthHmm;
    Qt::Alignment alignment;
};

const std::array<Column, DataListModel::kColumnCount> kColumns = {{
    {970, Qt::AlignLeft},
    {2117, Qt::AlignLeft},
    {2822, Qt::AlignLeft},
    {4939, Qt::AlignLeft},
    {1587, Qt::AlignHCenter},
    {7937, Qt::AlignLeft},
    {2469, Qt::AlignLeft},
    {2469, Qt::AlignLeft},
    {4762, Qt::AlignLeft},
    {2117, Qt::AlignLeft},
}};

} // namespace

int DataListModel::columnWidthHmm(int column) { return kColumns.at(column).widthHmm; }

void DataListModel::setRows(QList<DataListRow> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int DataListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(rows_.size()); }

int DataListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant DataListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    if (role == Qt::DisplayRole)
        return rows_[index.row()].cells.value(index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(kColumns.at(index.column()).alignment | Qt::AlignVCenter);
    return {};
}

QVariant DataListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return dataListTitles().at(section);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(kColumns[section].alignment | Qt::AlignVCenter);
    return {};
}
