#include "lists/ui/byte_limit_validator.h"

#include "common/cp932.h"

ByteLimitValidator::ByteLimitValidator(int limit, QObject* parent) : QValidator(parent), limit_(limit) {}

QValidator::State ByteLimitValidator::validate(QString& input, int&) const
{
    return toCp932(input).size() <= limit_ ? Acceptable : Invalid;
}
