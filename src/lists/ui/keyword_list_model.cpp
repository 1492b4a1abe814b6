// SPDX-License-Identifier: GPL-3.0-or-later
#include "lists/ui/keyword_list_model.h"

#include "lists/editor_walks.h"

KeywordListModel::KeywordListModel(int list, QObject* parent) : QAbstractListModel(parent), list_(list) {}

void KeywordListModel::setList(QByteArray listBytes, int guestCount)
{
    beginResetModel();
    listBytes_ = std::move(listBytes);
    guestCount_ = guestCount;
    endResetModel();
}

int KeywordListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : guestCount_; }

QVariant KeywordListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return keywordAt(listBytes_, index.row() + 1, list_);
}
