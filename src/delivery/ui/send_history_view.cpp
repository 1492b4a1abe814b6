// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/ui/send_history_view.h"

#include "delivery/run_report.h"
#include "delivery/mailbox_check.h"
#include "delivery/send_store.h"

#include <QHeaderView>

#include <algorithm>

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

namespace {

struct HistoryRow {
    QDateTime when;
    QStringList cells;
};

// The mails sent and what the mailbox said of the guest, in the order they happened.
QList<HistoryRow> historyRows(const SendStore& store, const QString& list, int record)
{
    QList<HistoryRow> rows;
    for (const StoredMail& mail : store.historyOf(list, record).value_or(QList<StoredMail>{}))
        rows.append({mail.lastTry, {mail.lastTry.toString(QStringLiteral("yyyy/MM/dd H:mm")), mailKindName(mail),
                                    mailStateWord(mail.state), mail.reply}});
    for (const MailboxEvent& e : store.mailboxEventsOf(list, record).value_or(QList<MailboxEvent>{}))
        rows.append({e.time, {e.time.toString(QStringLiteral("yyyy/MM/dd H:mm")), QStringLiteral("受信箱"),
                              mailboxOutcomeWord(e.outcome),
                              QStringList{mailboxReasonWord(e.reason), e.status, e.sender}.join(u' ').simplified()}});
    std::ranges::stable_sort(rows, {}, &HistoryRow::when);
    return rows;
}

} // namespace

void SendHistoryView::showGuest(const QString& listPath, int record)
{
    listPath_ = listPath;
    record_ = record;
    setRowCount(0);
    if (record <= 0)
        return;
    const auto store = SendStore::open(home_);
    if (!store)
        return;
    for (const HistoryRow& history : historyRows(**store, (*store)->listName(listPath), record)) {
        const int row = rowCount();
        insertRow(row);
        for (int column = 0; column < history.cells.size(); ++column)
            setItem(row, column, new QTableWidgetItem(history.cells[column]));
    }
    scrollToBottom();
}
