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
    // The same guest again, as the record holds it now (a run just ended).
    void refresh() { showGuest(listPath_, record_); }

private:
    QString home_;
    QString listPath_;
    int record_ = 0;
};
