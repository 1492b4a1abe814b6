// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Every line break (CR LF, LF or a lone CR) written as CR LF, as mail and
// the program's text files carry them.
QString withCrLf(const QString& text);
