// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/delivery_log.h"

Q_LOGGING_CATEGORY(lcDelivery, "lp.delivery", QtInfoMsg)
