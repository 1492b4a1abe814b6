// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/text_field.h"

#include "common/cp932.h"

QString fitToWidth(const QString& text, int width)
{
    return text.left(width).leftJustified(width, u' ');
}

QByteArray encodeTextField(const QString& text, int width)
{
    QByteArray bytes;
    appendTextField(bytes, text, width);
    return bytes;
}

void appendTextField(QByteArray& bytes, const QString& text, int width)
{
    const qsizetype start = bytes.size();
    appendCp932(bytes, QStringView(text).left(width));
    const char* encoded = bytes.constData() + start;
    const qsizetype encodedSize = bytes.size() - start;
    qsizetype kept = 0;
    while (kept < encodedSize) {
        const qsizetype length = isCp932LeadByte(static_cast<unsigned char>(encoded[kept])) ? 2 : 1;
        if (kept + length > width)
            break;
        kept += length;
    }
    bytes.truncate(start + kept);
    bytes.append(width - kept, ' ');
}

QString decodeTextField(QByteArrayView bytes)
{
    QString text;
    decodeTextField(bytes, text);
    return text;
}

void decodeTextField(QByteArrayView bytes, QString& text)
{
    const qsizetype zero = bytes.indexOf('\0');
    fromCp932(zero < 0 ? bytes : bytes.first(zero), text);
}

namespace {

qsizetype lengthWithoutTrailingSpaces(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == u' ')
        --end;
    return end;
}

} // namespace

QString trimRight(const QString& text) { return text.left(lengthWithoutTrailingSpaces(text)); }

QString trimRight(QString&& text)
{
    text.truncate(lengthWithoutTrailingSpaces(text));
    return std::move(text);
}
