// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"

#include <QString>

// Who wrote the file: an operator's may be UTF-8 without a byte-order mark; one
// the program wrote is code page 932 unless it begins with one.
enum class TextOrigin { Operator, Program };
// Line ends come back as "\n". The error names the file.
Result<QString> readMailText(const QString& path, TextOrigin origin = TextOrigin::Operator);
// Code page 932 with CR LF line ends, replaced atomically. Text with characters
// code page 932 cannot hold is refused and the file left alone. The error names
// the file.
Result<void> writeMailText(const QString& path, const QString& text);
