// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/run_report.h"

#include "common/clock.h"
#include "common/cp932.h"
#include "common/file_write.h"
#include "common/line_breaks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString whatHappened(const LineOutcome& outcome)
{
    const QString word = mailStateWord(outcome.state);
    const QString day = outcome.line.dueDate.isValid() ? dateText(outcome.line.dueDate) : QString();
    switch (outcome.state) {
    case MailState::Sent:
        return QStringLiteral("%1（%2 分を遅れて送信）").arg(word, day);
    case MailState::Deferred:
        return QStringLiteral("%1（%2 に再送）: %3")
            .arg(word, outcome.nextTry.toString(QStringLiteral("yyyy/MM/dd H:mm")), outcome.reason);
    case MailState::Refused:
    case MailState::GivenUp:
    case MailState::Expired:
        return QStringLiteral("%1: %2").arg(word, outcome.reason);
    case MailState::Uncertain:
        return QStringLiteral("%1（届いた可能性があります。自動では再送しません）: %2").arg(word, outcome.reason);
    case MailState::Due:
    case MailState::Sending:
        break;
    }
    return QStringLiteral("%1（送信リストに残っています）").arg(mailStateWord(MailState::Due));
}

} // namespace

QList<LineOutcome> reportedOutcomes(const RunSummary& summary)
{
    QList<LineOutcome> shown;
    for (const LineOutcome& outcome : summary.outcomes) {
        if (!outcome.earlier && (outcome.state != MailState::Sent || outcome.late))
            shown.append(outcome);
    }
    return shown;
}

QString stepName(const std::optional<int>& step)
{
    if (!step || *step < 0 || *step >= kStepCount)
        return QStringLiteral("－");
    return stepWord(*step);
}

QString mailKindName(const StoredMail& mail)
{
    if (mail.test)
        return QStringLiteral("テスト");
    switch (mail.kind) {
    case MailKind::Target:
        return QStringLiteral("ターゲット");
    case MailKind::Scramble:
        return QStringLiteral("スクランブル");
    case MailKind::Step:
        break;
    }
    return stepName(mail.key.step);
}

QString runReportText(const RunSummary& summary, const QDateTime& when)
{
    QStringList lines{QStringLiteral("送信結果　%1").arg(when.toString(QStringLiteral("yyyy/MM/dd H:mm:ss")))};
    if (summary.stop)
        lines << QStringLiteral("送信を中断しました: %1").arg(summary.stop->message);
    if (summary.cancelled)
        lines << QStringLiteral("送信を中止しました。");
    lines << QStringLiteral("名前\tメールアドレス\tステップ\t結果");
    for (const LineOutcome& outcome : reportedOutcomes(summary))
        lines << QStringList{outcome.line.displayName, outcome.address, stepName(outcome.line.step),
                             whatHappened(outcome)}
                     .join(u'\t');
    return lines.join(u'\n') + u'\n';
}

QString runConfirmation(const RunSummary& summary, bool test)
{
    qsizetype sent = 0;
    qsizetype unsent = 0;
    QString address;
    for (const LineOutcome& outcome : summary.outcomes) {
        if (outcome.earlier)
            continue;
        if (outcome.state == MailState::Sent) {
            ++sent;
            address = outcome.address;
        } else {
            ++unsent;
        }
    }
    if (test)
        return sent > 0 ? QStringLiteral("テスト送信を %1 に送りました").arg(address) : QString();
    return QStringLiteral("送信 %1 件・%2 %3 件").arg(sent).arg(mailStateWord(MailState::Due)).arg(unsent);
}

Result<QString> saveRunReport(const QString& folder, const QString& text, const QDateTime& when)
{
    if (!QDir().mkpath(folder))
        return fail(ErrorKind::Io, QStringLiteral("フォルダー「%1」を作れません。").arg(folder));
    const QString stem = QDir(folder).filePath(
        QStringLiteral("送信結果_%1").arg(when.toString(QStringLiteral("yyyyMMdd_HHmmss"))));
    // Two runs in one second keep both reports.
    QString path = stem + QStringLiteral(".txt");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QStringLiteral("%1_%2.txt").arg(stem).arg(n);
    // A server reply may hold what code page 932 cannot: such characters become "?".
    if (auto written = writeWholeFile(path, toCp932(withCrLf(text))); !written)
        return fail(ErrorKind::Io, QStringLiteral("送信結果「%1」を書き込めません。\n%2").arg(path, written.error().message));
    return path;
}

QList<SavedReport> takeUnseenReports(const QString& programRoot, const QString& reportDir)
{
    QList<SavedReport> reports;
    auto store = SendStore::open(programRoot);
    const auto since = store ? (*store)->reportsShownUntil() : Result<QDateTime>();
    if (!since || !since->isValid()) {
        markReportsSeen(programRoot);
        return reports;
    }
    const QFileInfoList files =
        QDir(reportDir).entryInfoList({QStringLiteral("送信結果_*.txt")}, QDir::Files, QDir::Time | QDir::Reversed);
    for (const QFileInfo& file : files) {
        QFile report(file.filePath());
        if (file.lastModified() > *since && report.open(QIODevice::ReadOnly))
            reports.append({file.filePath(), fromCp932(report.readAll()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))});
    }
    markReportsSeen(programRoot);
    return reports;
}

// Compared with the files' times, so the file system's clock, not the schedule's.
void markReportsSeen(const QString& programRoot)
{
    if (auto store = SendStore::open(programRoot))
        (void)(*store)->setReportsShownUntil(QDateTime::currentDateTime()); // failing, they show once more
}
