// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/send_journal.h"

#include <QFile>

#include <array>
#include <ranges>

namespace {

constexpr int kColumns = 10;
const std::array<QString, 5> kStates{QStringLiteral("sending"), QStringLiteral("sent"),
                                     QStringLiteral("failed"), QStringLiteral("refused"),
                                     QStringLiteral("uncertain")};

} // namespace

std::optional<JournalEntry> parseJournalLine(const QString& line)
{
    const QStringList f = line.split(u'\t');
    const auto state = std::ranges::find(kStates, f.value(7));
    if (f.size() != kColumns || state == kStates.end())
        return std::nullopt;
    JournalEntry e{QDateTime::fromString(f[0], Qt::ISODate), f[1], f[2].toInt(), f[3], f[4], f[5],
                   QDate::fromString(f[6], QStringLiteral("yyyy/MM/dd")),
                   JournalState(state - kStates.begin()), f[8], f[9]};
    return e;
}

Result<QList<JournalEntry>> readJournal(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return QList<JournalEntry>();
    if (!file.open(QIODevice::ReadOnly))
        return fail(ErrorKind::Io, QStringLiteral("送信記録「%1」を読めません。").arg(path));
    const QByteArray bytes = file.readAll();
    QList<JournalEntry> entries;
    // The last line is unfinished when a write was cut short.
    const qsizetype end = bytes.lastIndexOf('\n') + 1;
    for (const QByteArray& line : bytes.first(end).split('\n')) {
        if (auto entry = parseJournalLine(QString::fromUtf8(line)))
            entries.append(*entry);
    }
    return entries;
}

