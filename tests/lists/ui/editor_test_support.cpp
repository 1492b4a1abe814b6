// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor_test_support.h"

#include <QAbstractItemView>
#include <QTableView>

void EditorBench::pick(const QString& name, int row) const
{
    QComboBox* combo = get<QComboBox>(name);
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    const QModelIndex index = view->model()->index(row, 0);
    view->setCurrentIndex(index);
    QTest::keyClick(view, Qt::Key_Return);
}

void EditorBench::clickDay(int day) const
{
    auto* view = get<QCalendarWidget>(u"MonthView1"_s)->findChild<QTableView*>();
    ASSERT_NE(view, nullptr);
    const QAbstractItemModel* model = view->model();
    // Leading days of the previous month are 23 or more, so the first cell
    // showing a smaller day number belongs to the shown month.
    for (int row = 1; row < model->rowCount(); ++row) {
        for (int column = 0; column < model->columnCount(); ++column) {
            const QModelIndex index = model->index(row, column);
            if (index.data().toString() == QString::number(day)) {
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
                return;
            }
        }
    }
    FAIL() << "day not in the calendar";
}

GuestRecord numberedGuest(int n)
{
    GuestRecord guest = makeGuest(u"g%1"_s.arg(n), u"n%1"_s.arg(n));
    guest.birthday = QString(10, u' ');
    return guest;
}
