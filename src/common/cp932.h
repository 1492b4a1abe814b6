// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The one codec for every byte Ladderpost reads from or writes to its files:
// Microsoft's code page 932 through glibc iconv.

// Characters code page 932 cannot hold become '?'.
QByteArray toCp932(QStringView text);
// The same appended to `bytes`.
void appendCp932(QByteArray& bytes, QStringView text);
// The characters of text that code page 932 cannot hold, each once, in order
// of first appearance; empty when toCp932 would keep every character.
QString unencodableInCp932(QStringView text);
// Bytes that are no valid code page 932 become U+FFFD.
QString fromCp932(QByteArrayView bytes);
// The same into `text`, reusing its buffer when nothing else shares it: a walk
// that decodes a field of every guest into one string allocates nothing.
void fromCp932(QByteArrayView bytes, QString& text);

// True for the first byte of a double-byte character.
bool isCp932LeadByte(unsigned char byte);

// For texts written elsewhere: UTF-8 when the bytes carry a UTF-8 byte-order
// mark, or are valid UTF-8 containing non-ASCII; code page 932 otherwise.
QString decodeCp932OrUtf8(QByteArrayView bytes);
// For files the program writes: UTF-8 only after a UTF-8 byte-order mark. Code
// page 932 bytes can happen to be valid UTF-8 (ﾕｷ is D5 B7, 「շ」), so no guess.
QString decodeCp932UnlessBom(QByteArrayView bytes);
