// SPDX-License-Identifier: GPL-3.0-or-later
#include "lists/guest_search.h"

#include "common/text_field.h"
#include "lists/list_file.h"

#include <QFileInfo>

#include <algorithm>

namespace {

// Fields are kept apart by a line break, which no word of a query holds, so
// a word never matches across two fields.
constexpr char16_t kSeparator = u'\n';

struct Stamp {
    qint64 size = -1;
    QDateTime changed;
};

Stamp stampOf(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() ? Stamp{info.size(), info.lastModified()} : Stamp{};
}

} // namespace

QString foldForSearch(const QString& text)
{
    QString folded = text.normalized(QString::NormalizationForm_KC).toCaseFolded();
    for (QChar& c : folded) {
        if (c >= u'\u30A1' && c <= u'\u30F6') // katakana with a hiragana twin
            c = QChar(c.unicode() - 0x60);
    }
    return folded;
}

GuestSearchIndex::GuestSearchIndex(const QList<GuestRecord>& guests)
{
    rows_.reserve(guests.size());
    starts_.reserve(guests.size() + 1);
    text_.reserve(guests.size() * 160);
    for (qsizetype i = 0; i < guests.size(); ++i) {
        const GuestRecord& g = guests[i];
        const QString family = trimRight(g.fName);
        const QString given = trimRight(g.sName);
        rows_.append({int(i) + 1, family, given, trimRight(g.address), trimRight(g.CoName)});
        QString fields;
        for (const QString& field :
             {family, given, family + given, g.hName, g.address, g.CoName, g.Post, g.jyusyo, g.TEL, g.FAX}) {
            fields += trimRight(field);
            fields += kSeparator;
        }
        // Folded whole: the separator is left as it is.
        starts_.append(text_.size());
        text_ += foldForSearch(fields);
    }
    starts_.append(text_.size());
}

Result<GuestSearchIndex> GuestSearchIndex::read(const QString& path)
{
    // Taken before the read: a write in between makes the index stale, never
    // stale yet current.
    const Stamp stamp = stampOf(path);
    auto guests = readGuestList(path, EndTest::EmptyRecord);
    if (!guests)
        return std::unexpected(guests.error());
    GuestSearchIndex index(*guests);
    index.path_ = path;
    index.size_ = stamp.size;
    index.changed_ = stamp.changed;
    return index;
}

bool GuestSearchIndex::isCurrent(const QString& path) const
{
    const Stamp stamp = stampOf(path);
    return path == path_ && stamp.size == size_ && stamp.changed == changed_;
}

GuestSearchResult GuestSearchIndex::find(const QString& query, qsizetype limit) const
{
    const QStringList words = foldForSearch(query).simplified().split(u' ', Qt::SkipEmptyParts);
    GuestSearchResult result;
    if (words.isEmpty())
        return result;
    // The longest word leads the scan over the whole text: it stops at the
    // fewest guests. Each stop is checked for the other words, then the scan
    // goes on from the next guest.
    const QString& lead =
        *std::ranges::max_element(words, {}, [](const QString& word) { return word.size(); });
    qsizetype from = 0;
    while ((from = text_.indexOf(lead, from)) >= 0) {
        const auto next = std::ranges::upper_bound(starts_, from);
        const qsizetype guest = next - starts_.begin() - 1;
        const QStringView guestText = QStringView(text_).sliced(starts_[guest], *next - starts_[guest]);
        if (std::ranges::all_of(words, [&](const QString& word) { return guestText.contains(word); })) {
            if (result.rows.size() < limit)
                result.rows.append(rows_[guest]);
            ++result.total;
        }
        from = *next;
    }
    return result;
}
