// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/personalise.h"

#include "common/text_field.h"

QString personalise(const QString& text, const QString& familyName, const QString& honorific)
{
    QString result = text;
    return result.replace(kPersonalMarker, trimRight(familyName) + trimRight(honorific),
                          Qt::CaseInsensitive);
}
