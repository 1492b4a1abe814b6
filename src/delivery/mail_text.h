// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"

#include <QString>

// Code page 932 or UTF-8; line ends come back as "\n". The error names the file.
Result<QString> readMailText(const QString& path);
// Code page 932 with CR LF line ends, replaced atomically. Text with characters
// code page 932 cannot hold is refused and the file left alone. The error names
// the file.
Result<void> writeMailText(const QString& path, const QString& text);
