// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

// The SMTP conversation line by line, credentials and mail bodies left out.
// Silent unless switched on: QT_LOGGING_RULES="lp.smtp.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcSmtp)
