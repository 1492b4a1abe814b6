#include "delivery/delivery_log.h"

Q_LOGGING_CATEGORY(lcDelivery, "lp.delivery", QtInfoMsg)
