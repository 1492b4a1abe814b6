#include "smtp/smtp_log.h"

Q_LOGGING_CATEGORY(lcSmtp, "lp.smtp", QtInfoMsg)
