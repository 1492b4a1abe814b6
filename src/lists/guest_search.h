// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "lists/guest_record.h"

#include <QDateTime>
#include <QList>
#include <QString>

// One guest as a search result shows it.
struct GuestSearchRow {
    int record = 0;
    QString family, given, mail, company;
};

struct GuestSearchResult {
    QList<GuestSearchRow> rows; // the first matches, in record order
    qsizetype total = 0;        // every match, shown or not
};

// Folds text so that full and half width, upper and lower case, and katakana
// and hiragana compare equal.
QString foldForSearch(const QString& text);

// Finds guests by any part of family name, given name (or both run
// together), nickname, mail address, company, postal code and address, phone
// and fax. Built from one read of the list, it answers each keystroke from
// memory; isCurrent() tells when the file has changed since.
class GuestSearchIndex {
public:
    explicit GuestSearchIndex(const QList<GuestRecord>& guests);
    // The guests up to the first empty record, as the keyword lists hold them.
    static Result<GuestSearchIndex> read(const QString& path);

    // Guests whose text holds every space-separated word of the query; at
    // most `limit` rows, and the count of all. An empty query finds none.
    GuestSearchResult find(const QString& query, qsizetype limit) const;
    // The index was read from this file and the file's size and time of
    // change are still those it had then.
    bool isCurrent(const QString& path) const;
    qsizetype guestCount() const { return rows_.size(); }

private:
    QString text_;            // every guest's folded fields, one after another
    QList<qsizetype> starts_; // where guest i's text begins in text_
    QList<GuestSearchRow> rows_;
    QString path_;
    qint64 size_ = -1;
    QDateTime changed_;
};
