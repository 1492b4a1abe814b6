// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTableWidget>

// The shown guest's mails in the send record, one row each: when, which step, what became of it.
class SendHistoryView : public QTableWidget {
    Q_OBJECT
public:
    explicit SendHistoryView(QString home, QWidget* parent = nullptr);
    void showGuest(const QString& listPath, int record);

private:
    QString home_;
};
