#pragma once

#include <QString>
#include <QTableWidget>

// The shown guest's lines of the send journal: when, which step, what became of it.
class SendHistoryView : public QTableWidget {
    Q_OBJECT
public:
    explicit SendHistoryView(QString journalPath, QWidget* parent = nullptr);
    void showGuest(const QString& listPath, int record);

private:
    QString journalPath_;
};
