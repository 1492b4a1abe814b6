// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "delivery/guest_lookup.h"

#include <QAbstractListModel>
#include <QList>

// The send list (List1): each line keeps the guest it stands for, since display names repeat.
class SendQueueModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void setLines(const QList<DueEntry>& lines);
    // A step line already listed is not listed twice.
    void add(const QList<DueEntry>& lines);
    void remove(const DueEntry& line);
    void clear() { setLines({}); }
    // Keeps only the step lines: what a stopped run left goes out with the new day's.
    void keepStepLines() { setLines(stepLines()); }

    const QList<DueEntry>& lines() const { return lines_; }
    QList<DueEntry> stepLines() const;
    DueEntry at(int row) const { return lines_.value(row); }
    bool isEmpty() const { return lines_.isEmpty(); }

private:
    QList<DueEntry> lines_;
};
