// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "delivery/guest_lookup.h"
#include "delivery/send_store.h"

#include <QDialog>
#include <QList>

class QLabel;
class QPlainTextEdit;
class QTableWidget;

// What became of the mails of each run that did not simply go: a window of its
// own that stays open beside the program and never stops the schedule.
class RunReportWindow : public QDialog {
    Q_OBJECT
public:
    explicit RunReportWindow(QWidget* parent = nullptr);
    // Adds a run's report below the earlier ones; where it was saved, or why not.
    void addReport(const QString& text, const QString& savedNote);
    QString text() const;
    // The step mails whose outcome is unknown, each with a 再送信 button; hidden when none.
    void showUncertain(const QList<StoredMail>& mails);

signals:
    // The operator chose to send this uncertain mail once more.
    void resendRequested(const DueEntry& line);

private:
    QPlainTextEdit* text_ = nullptr;
    QLabel* saved_ = nullptr;
    QLabel* uncertainHeading_ = nullptr;
    QTableWidget* uncertain_ = nullptr;
};
