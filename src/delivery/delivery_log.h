// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

// What each run decided for each mail, with the guest's name and address.
// Silent unless switched on: QT_LOGGING_RULES="lp.delivery.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcDelivery)
