#include "delivery/ui/send_history_view.h"

#include "delivery/run_report.h"
#include "delivery/send_journal.h"

#include <QFileInfo>
#include <QHeaderView>

namespace {

QString stateText(JournalState state)
{
    switch (state) {
    case JournalState::Sending:
        return QStringLiteral("不明（送信中に中断）");
    case JournalState::Sent:
        return QStringLiteral("送信済み");
    case JournalState::Failed:
        return QStringLiteral("未送信");
    case JournalState::Refused:
        return QStringLiteral("拒否");
    case JournalState::Uncertain:
        break;
    }
    return QStringLiteral("不明");
}

} // namespace

SendHistoryView::SendHistoryView(QString journalPath, QWidget* parent)
    : QTableWidget(0, 4, parent), journalPath_(std::move(journalPath))
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
    setRowCount(0);
    const auto entries = readJournal(journalPath_);
    if (!entries)
        return;
    const QString list = QFileInfo(listPath).absoluteFilePath();
    for (const JournalEntry& e : *entries) {
        if (e.list != list || e.record != record || e.step == QStringLiteral("run"))
            continue;
        const int row = rowCount();
        insertRow(row);
        const QStringList cells{e.time.toString(QStringLiteral("yyyy/MM/dd H:mm")), journalStepName(e.step),
                                stateText(e.state), e.reply};
        for (int column = 0; column < cells.size(); ++column)
            setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    scrollToBottom();
}
