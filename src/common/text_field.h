// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Fixed-width text fields of the guest record: code page 932, space padded,
// no terminator.

// Cuts to width characters, encodes, keeps at most width bytes without
// splitting a double-byte character and pads with spaces to width bytes.
QByteArray encodeTextField(const QString& text, int width);
// The same appended to `bytes`.
void appendTextField(QByteArray& bytes, const QString& text, int width);

// Everything before the first zero byte, decoded; trailing spaces stay.
QString decodeTextField(QByteArrayView bytes);
// The same into `text`, reusing its buffer.
void decodeTextField(QByteArrayView bytes, QString& text);

// Removes trailing spaces (only U+0020), as every reader of a field does.
QString trimRight(const QString& text);
// The same in place, for a text the caller gives up.
QString trimRight(QString&& text);

// Cuts or pads with spaces to exactly width characters.
QString fitToWidth(const QString& text, int width);
