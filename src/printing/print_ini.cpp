// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/print_ini.h"

#include "common/cp932.h"
#include "common/file_write.h"
#include "printing/leading_number.h"

#include <QFile>
#include <QRegularExpression>

#include <charconv>
#include <optional>
#include <cmath>
#include <limits>

namespace {

constexpr int kValueCount = 9;

std::optional<double> readNumber(const QString& token)
{
    bool ok = false;
    const double value = token.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<float> readLength(const QString& token)
{
    const auto value = readNumber(token);
    if (!value || std::abs(*value) > std::numeric_limits<float>::max())
        return std::nullopt;
    return float(*value);
}

std::optional<qint16> readCount(const QString& token)
{
    const auto value = readNumber(token);
    if (!value || std::nearbyint(*value) < std::numeric_limits<qint16>::min()
        || std::nearbyint(*value) > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return roundToInt16(*value);
}

QStringList valueTokens(QByteArrayView bytes)
{
    static const QRegularExpression separator(QStringLiteral("\r\n|[\r\n,]"));
    QStringList tokens = decodeCp932UnlessBom(bytes).split(separator);
    while (!tokens.isEmpty() && tokens.last().trimmed().isEmpty())
        tokens.removeLast();
    return tokens;
}

} // namespace

Result<PrintSettings> parsePrintIni(QByteArrayView bytes)
{
    const QStringList tokens = valueTokens(bytes);
    if (tokens.size() < kValueCount)
        return fail(ErrorKind::Format, QStringLiteral("ラベル設定の値が %1 個しかありません。").arg(tokens.size()));
    PrintSettings settings;
    float* lengths[] = {&settings.left, &settings.top, &settings.width,
                        &settings.height, &settings.xGap, &settings.yGap};
    qint16* counts[] = {&settings.across, &settings.down, &settings.fontSize};
    for (int i = 0; i < 6; ++i) {
        const auto value = readLength(tokens[i]);
        if (!value)
            return fail(ErrorKind::Format, QStringLiteral("ラベル設定の %1 番目の値が数値ではありません。").arg(i + 1));
        *lengths[i] = *value;
    }
    for (int i = 0; i < 3; ++i) {
        const auto value = readCount(tokens[6 + i]);
        if (!value)
            return fail(ErrorKind::Format, QStringLiteral("ラベル設定の %1 番目の値が整数ではありません。").arg(7 + i));
        *counts[i] = *value;
    }
    return settings;
}

QString shortestDecimal(float value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

QByteArray formatPrintIni(const PrintSettings& s)
{
    QByteArray bytes;
    for (float length : {s.left, s.top, s.width, s.height, s.xGap, s.yGap})
        bytes += shortestDecimal(length).toLatin1() + "\r\n";
    for (qint16 count : {s.across, s.down, s.fontSize})
        bytes += QByteArray::number(count) + "\r\n";
    return bytes;
}

Result<PrintSettings> loadPrintSettings(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(ErrorKind::NotFound, QStringLiteral("%1 を開けません。").arg(path));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(ErrorKind::Io, QStringLiteral("%1 を読めません。").arg(path));
    return parsePrintIni(bytes);
}

Result<void> savePrintSettings(const QString& path, const PrintSettings& settings)
{
    if (auto written = writeWholeFile(path, formatPrintIni(settings)); !written)
        return fail(ErrorKind::Io, QStringLiteral("%1 に書き込めません。\n%2").arg(path, written.error().message));
    return {};
}

PrintSettings printSettingsOrDefaults(const QString& path)
{
    return loadPrintSettings(path).value_or(PrintSettings{});
}
