#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;

// What became of the mails of each run that did not simply go: a window of its
// own that stays open beside the program and never stops the schedule.
class RunReportWindow : public QDialog {
    Q_OBJECT
public:
    explicit RunReportWindow(QWidget* parent = nullptr);
    // Adds a run's report below the earlier ones; where it was saved, or why not.
    void addReport(const QString& text, const QString& savedNote);
    QString text() const;

private:
    QPlainTextEdit* text_ = nullptr;
    QLabel* saved_ = nullptr;
};
