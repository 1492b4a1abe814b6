// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"

#include <QString>

#include <chrono>

// The SMTP password in the desktop's secret store, through QtKeychain. Each call
// waits at most `wait`: a machine without a secret service (a server, the daily
// timer) fails fast and the password lives in the 0600 smtp.ini instead.
// NotFound when no store answers or it holds nothing for the account.
Result<QString> readStoredPassword(const QString& account, std::chrono::milliseconds wait);
Result<void> storePassword(const QString& account, const QString& password, std::chrono::milliseconds wait);
