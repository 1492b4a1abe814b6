// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/ui/send_queue_model.h"

int SendQueueModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(lines_.size());
}

QVariant SendQueueModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= lines_.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return lines_[index.row()].displayName;
    return {};
}

void SendQueueModel::setLines(const QList<DueEntry>& lines)
{
    beginResetModel();
    lines_ = lines;
    endResetModel();
}

void SendQueueModel::add(const QList<DueEntry>& lines)
{
    QList<DueEntry> fresh;
    for (const DueEntry& line : lines) {
        if (!line.step || !lines_.contains(line))
            fresh.append(line);
    }
    if (fresh.isEmpty())
        return;
    beginInsertRows({}, int(lines_.size()), int(lines_.size() + fresh.size()) - 1);
    lines_ += fresh;
    endInsertRows();
}

void SendQueueModel::remove(const DueEntry& line)
{
    const qsizetype row = lines_.indexOf(line);
    if (row < 0)
        return;
    beginRemoveRows({}, int(row), int(row));
    lines_.removeAt(row);
    endRemoveRows();
}

QList<DueEntry> SendQueueModel::stepLines() const
{
    QList<DueEntry> steps;
    for (const DueEntry& line : lines_) {
        if (line.step)
            steps.append(line);
    }
    return steps;
}
