// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/ui/send_history_view.h"

#include "delivery/run_report.h"
#include "delivery/send_store.h"

#include <QHeaderView>

SendHistoryView::SendHistoryView(QString home, QWidget* parent)
    : QTableWidget(0, 4, parent), home_(std::move(home))
{
    setObjectName(QStringLiteral("sendHistory"));
    setAccessibleName(QStringLiteral("送信履歴"));
    setHorizontalHeaderLabels({QStringLiteral("日時"), QStringLiteral("ステップ"), QStringLiteral("状態"),
                               QStringLiteral("応答")});
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
}

void SendHistoryView::showGuest(const QString& listPath, int record)
{
    listPath_ = listPath;
    record_ = record;
    setRowCount(0);
    if (record <= 0)
        return;
    const auto store = SendStore::open(home_);
    const auto mails = store ? (*store)->historyOf((*store)->listName(listPath), record)
                             : Result<QList<StoredMail>>(std::unexpected(store.error()));
    if (!mails)
        return;
    for (const StoredMail& mail : *mails) {
        const int row = rowCount();
        insertRow(row);
        const QStringList cells{mail.lastTry.toString(QStringLiteral("yyyy/MM/dd H:mm")), mailKindName(mail),
                                mailStateWord(mail.state), mail.reply};
        for (int column = 0; column < cells.size(); ++column)
            setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    scrollToBottom();
}
