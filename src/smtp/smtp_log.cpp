// SPDX-License-Identifier: GPL-3.0-or-later
#include "smtp/smtp_log.h"

Q_LOGGING_CATEGORY(lcSmtp, "lp.smtp", QtInfoMsg)
