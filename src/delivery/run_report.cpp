#include "delivery/run_report.h"

#include "common/clock.h"
#include "common/cp932.h"
#include "common/file_write.h"
#include "common/line_breaks.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString whatHappened(const LineOutcome& outcome)
{
    const QString day = outcome.line.dueDate.isValid() ? dateText(outcome.line.dueDate) : QString();
    switch (outcome.state) {
    case LineState::Sent:
        return QStringLiteral("送信済み（%1 分を遅れて送信）").arg(day);
    case LineState::AlreadySent:
        return QStringLiteral("送信済み（送信記録あり）");
    case LineState::Refused:
        return QStringLiteral("送信せず: %1").arg(outcome.reason);
    case LineState::Uncertain:
        return QStringLiteral("不明（届いた可能性があります。自動では再送しません）: %1").arg(outcome.reason);
    case LineState::Unsent:
        break;
    }
    return QStringLiteral("未送信（送信リストに残っています）");
}

} // namespace

QList<LineOutcome> reportedOutcomes(const RunSummary& summary)
{
    QList<LineOutcome> shown;
    for (const LineOutcome& outcome : summary.outcomes) {
        const bool sent = outcome.state == LineState::Sent || outcome.state == LineState::AlreadySent;
        if (!sent || (outcome.late && outcome.state == LineState::Sent))
            shown.append(outcome);
    }
    return shown;
}

QString stepName(const std::optional<int>& step)
{
    static const QStringList names{QStringLiteral("繰り返し"), QStringLiteral("初回"),
                                   QStringLiteral("２回目"),   QStringLiteral("３回目"),
                                   QStringLiteral("４回目"),   QStringLiteral("５回目"),
                                   QStringLiteral("６回目"),   QStringLiteral("最終")};
    if (!step || *step < 0 || *step >= names.size())
        return QStringLiteral("－");
    return names[*step];
}

QString journalStepName(const QString& step)
{
    if (step == QStringLiteral("target"))
        return QStringLiteral("ターゲット");
    if (step == QStringLiteral("scramble"))
        return QStringLiteral("スクランブル");
    if (step == QStringLiteral("test"))
        return QStringLiteral("テスト");
    return stepName(step == QStringLiteral("repeat") ? 0 : step.toInt());
}

QString uncertainMailsText(const QList<JournalEntry>& journal, const QString& listPath)
{
    const QString list = QFileInfo(listPath).absoluteFilePath();
    QStringList lines;
    for (const JournalEntry& e : JournalIndex(journal).uncertain()) {
        if (e.list == list)
            lines << QStringList{e.name, e.address, journalStepName(e.step), dateText(e.due), e.reply}.join(u'\t');
    }
    if (lines.isEmpty())
        return {};
    lines.prepend(QStringLiteral("送信状況が不明なメール（届いた可能性があります。自動では再送しません。"
                                 "必要ならターゲット送信で一通ずつ送ってください）\n名前\tメールアドレス\tステップ\t配信日\t応答"));
    return lines.join(u'\n') + u'\n';
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
