// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "delivery/send_run.h"
#include "delivery/send_store.h"

#include <QDateTime>
#include <QString>

// The outcomes the operator must see after a run: every mail that did not go
// and every one that went after its day.
QList<LineOutcome> reportedOutcomes(const RunSummary& summary);

// "初回", "２回目" .. "最終", "繰り返し"; "－" for a line that is not a step mail.
QString stepName(const std::optional<int>& step);

// A recorded mail's kind as the operator reads it: "３回目", "繰り返し", "ターゲット", ...
QString mailKindName(const StoredMail& mail);

// The report as text: when, why the run stopped, then one tab-separated line per
// outcome (guest, address, step, what happened), so it pastes into a spreadsheet.
QString runReportText(const RunSummary& summary, const QDateTime& when);

// The short line a finished run leaves in the status bar: 「送信 12 件・未送信 1 件」,
// or where a test went; empty for a test that did not go (its warning says why).
QString runConfirmation(const RunSummary& summary, bool test);

// Saves the report (code page 932) as 送信結果_yyyyMMdd_HHmmss.txt in folder,
// creating the folder, never over an earlier report; returns the path written.
Result<QString> saveRunReport(const QString& folder, const QString& text, const QDateTime& when);

struct SavedReport {
    QString path;
    QString text;
};
// The reports in reportDir that runs saved since the window last looked, oldest
// first; from now on they count as seen (none the first time: nothing was missed).
QList<SavedReport> takeUnseenReports(const QString& programRoot, const QString& reportDir);
// The window has seen every report there is (it just showed its own).
void markReportsSeen(const QString& programRoot);
