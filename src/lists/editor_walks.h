// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "lists/list_file.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// Walks over the list file that the record editor needs. Every walk ends at
// the first record whose bytes are all zero.

constexpr int kKeywordListCount = 6;

// The fields the six keyword lists pair with: family name, given name,
// nickname, birth date, mail address, company name.
const std::array<ProbeField, kKeywordListCount>& keywordFields();

// Keyword list i shows keyword field i of every guest in record order, empty
// and repeated values in their place. It keeps the list's bytes as read and
// decodes an entry when it is shown.
struct KeywordSource {
    QByteArray listBytes;
    int guestCount = 0;
};
Result<KeywordSource> readKeywordSource(const QString& path);
// Keyword field `list` of record k, trailing spaces removed.
QString keywordAt(QByteArrayView listBytes, int k, int list);

// The lowest record number whose `field`, trailing spaces removed, equals
// `text` exactly; nothing when no guest before the end of the list matches.
Result<std::optional<int>> findKeywordRecord(const QString& path, ProbeField field, const QString& text);

// The first record number at or after n (at least 1) whose record is empty.
Result<int> firstEmptyRecordFrom(const QString& path, int n);
