// SPDX-License-Identifier: GPL-3.0-or-later
#include "lists/ui/byte_limit_validator.h"

#include "common/cp932.h"

ByteLimitValidator::ByteLimitValidator(int limit, QObject* parent) : QValidator(parent), limit_(limit) {}

QValidator::State ByteLimitValidator::validate(QString& input, int&) const
{
    QString unstorable = unencodableInCp932(input);
    // Stands for bytes the list file already held that were no valid text;
    // refusing it would leave the box uneditable.
    unstorable.remove(QChar::ReplacementCharacter);
    if (!unstorable.isEmpty()) {
        emit refused(unstorable);
        return Invalid;
    }
    return limit_ == 0 || toCp932(input).size() <= limit_ ? Acceptable : Invalid;
}
