// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lists/guest_search.h"

#include <QWidget>

#include <functional>
#include <optional>

class QFrame;
class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

// The search box of the entry tab ("findBox") and the list of matching
// guests that drops down below it ("findResults", with "findMore" saying how
// many more matched). The list floats over `overlay`, the editor, like a
// drop-down. Enter or a click on a row chooses that guest.
//
// The guests are read once when the search opens (Ctrl+F) and kept while
// the operator types; the list file is read again when forgetList() was
// called or its size or time of change differ from that read.
class GuestFinder : public QWidget {
    Q_OBJECT
public:
    GuestFinder(std::function<QString()> listPath, QWidget* overlay, QWidget* parent = nullptr);

    // Ctrl+F: focus in the box, its text selected, its results shown again.
    void open();
    // The list was loaded or written: the next search reads it afresh.
    void forgetList();

    static constexpr int kShownRows = 200;

signals:
    void guestChosen(int record);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildResults(QWidget* overlay);
    bool indexIsCurrent();
    void search();
    void chooseCurrent();
    void choose(QTreeWidgetItem* item);
    void showResults();
    void hideResults();

    std::function<QString()> listPath_;
    std::optional<GuestSearchIndex> index_;
    QLineEdit* box_ = nullptr;
    QFrame* popup_ = nullptr;
    QTreeWidget* results_ = nullptr;
    QLabel* more_ = nullptr;
};
