#include "delivery/send_journal.h"

#include "common/file_write.h"

#include <QFile>

#include <array>
#include <ranges>

namespace {

constexpr int kColumns = 10;
const std::array<QString, 5> kStates{QStringLiteral("sending"), QStringLiteral("sent"),
                                     QStringLiteral("failed"), QStringLiteral("refused"),
                                     QStringLiteral("uncertain")};

// A tab or line break inside a field would split the line.
QString flat(QString text)
{
    for (QChar& c : text) {
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    }
    return text;
}

QString keyOf(const JournalEntry& e)
{
    return QStringList{e.list, QString::number(e.record), e.step, e.due.toString(Qt::ISODate), e.address}
        .join(u'\t');
}

bool isStepMail(const QString& step)
{
    return step == QStringLiteral("repeat") || (step.size() == 1 && step[0] >= u'1' && step[0] <= u'7');
}

} // namespace

QString journalStep(int step) { return step == 0 ? QStringLiteral("repeat") : QString::number(step); }

QByteArray formatJournalLine(const JournalEntry& e)
{
    const QStringList fields{e.time.toString(Qt::ISODate), flat(e.list),  QString::number(e.record),
                             flat(e.name),                 flat(e.address), e.step,
                             e.due.toString(QStringLiteral("yyyy/MM/dd")), kStates[size_t(e.state)],
                             flat(e.reply),                flat(e.log)};
    return fields.join(u'\t').toUtf8() + '\n';
}

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

Result<void> appendJournal(const QString& path, const JournalEntry& entry)
{
    if (auto written = appendToFile(path, formatJournalLine(entry)); !written)
        return fail(ErrorKind::Io, QStringLiteral("送信記録「%1」に書き込めません。\n%2").arg(path, written.error().message));
    return {};
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

JournalIndex::JournalIndex(const QList<JournalEntry>& entries)
{
    for (const JournalEntry& entry : entries)
        note(entry);
}

void JournalIndex::note(const JournalEntry& entry)
{
    if (entry.step == QStringLiteral("run") && entry.state == JournalState::Sent) {
        lastRun_ = std::max(lastRun_, entry.due);
        return;
    }
    if (isStepMail(entry.step))
        last_.insert(keyOf(entry), entry);
}

bool JournalIndex::done(const JournalEntry& mail) const
{
    const auto found = last_.constFind(keyOf(mail));
    if (found == last_.cend())
        return false;
    const JournalState state = found->state;
    return state == JournalState::Sent || state == JournalState::Sending || state == JournalState::Uncertain;
}

QList<JournalEntry> JournalIndex::uncertain() const
{
    QList<JournalEntry> open;
    for (const JournalEntry& entry : last_) {
        if (entry.state == JournalState::Sending || entry.state == JournalState::Uncertain)
            open.append(entry);
    }
    std::ranges::sort(open, {}, &JournalEntry::time);
    return open;
}
