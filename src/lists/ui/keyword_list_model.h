// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>
#include <QByteArray>

// One keyword list: the keyword field `list` of every guest of the list's
// bytes as read, each decoded when the combo box asks for it.
class KeywordListModel : public QAbstractListModel {
    Q_OBJECT
public:
    KeywordListModel(int list, QObject* parent);

    void setList(QByteArray listBytes, int guestCount);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    int list_;
    QByteArray listBytes_;
    int guestCount_ = 0;
};
