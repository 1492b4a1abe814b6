#pragma once

#include "common/error.h"
#include "delivery/send_journal.h"
#include "delivery/send_run.h"

#include <QDateTime>
#include <QString>

// The outcomes the operator must see after a run: every mail that did not go
// and every one that went after its day.
QList<LineOutcome> reportedOutcomes(const RunSummary& summary);

// "初回", "２回目" .. "最終", "繰り返し"; "－" for a line that is not a step mail.
QString stepName(const std::optional<int>& step);

// A journal's step column as the operator reads it: "３回目", "繰り返し", "ターゲット", ...
QString journalStepName(const QString& step);

// The step mails of the list whose outcome the journal does not know, one
// tab-separated line each under a heading; empty when there are none.
QString uncertainMailsText(const QList<JournalEntry>& journal, const QString& listPath);

// The report as text: when, why the run stopped, then one tab-separated line per
// outcome (guest, address, step, what happened), so it pastes into a spreadsheet.
QString runReportText(const RunSummary& summary, const QDateTime& when);

// Saves the report (code page 932) as 送信結果_yyyyMMdd_HHmmss.txt in folder,
// creating the folder, never over an earlier report; returns the path written.
Result<QString> saveRunReport(const QString& folder, const QString& text, const QDateTime& when);
