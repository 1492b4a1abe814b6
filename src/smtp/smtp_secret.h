// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"

#include <QString>

#include <chrono>
#include <functional>

class QObject;

// The SMTP password in the desktop's secret store, through QtKeychain. Each call
// waits at most `wait`: a machine without a secret service (a server, the daily
// timer) fails fast and the password lives in the 0600 smtp.ini instead.
// NotFound when no store answers or it holds nothing for the account.
//
// QtKeychain answers only on the thread of the application object, so the window
// asks without waiting: the answer comes by call-back, on context's thread, while
// its event loop runs on. The blocking read is for the run without a window.
using PasswordAnswer = std::function<void(Result<QString>)>;
void askStoredPassword(const QString& account, std::chrono::milliseconds wait, QObject* context, PasswordAnswer answer);
void keepStoredPassword(const QString& account, const QString& password, std::chrono::milliseconds wait,
                        QObject* context, std::function<void(Result<void>)> answer);
Result<QString> readStoredPassword(const QString& account, std::chrono::milliseconds wait);
