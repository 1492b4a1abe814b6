// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/campaign_settings.h"

#include "common/cp932.h"
#include "common/file_write.h"

#include <QFile>
#include <QRegularExpression>

namespace {

constexpr int kFieldCount = 19;

// Splits one line into fields; quoted fields keep commas and blanks.
QStringList splitFields(const QString& line)
{
    QStringList fields;
    qsizetype pos = 0;
    while (pos <= line.size() && fields.size() < kFieldCount) {
        while (pos < line.size() && line.at(pos) == u' ')
            ++pos;
        qsizetype comma;
        if (pos < line.size() && line.at(pos) == u'"') {
            const qsizetype close = line.indexOf(u'"', pos + 1);
            const qsizetype end = close < 0 ? line.size() : close;
            fields.append(line.mid(pos + 1, end - pos - 1));
            comma = line.indexOf(u',', end);
        } else {
            comma = line.indexOf(u',', pos);
            const qsizetype end = comma < 0 ? line.size() : comma;
            fields.append(line.mid(pos, end - pos).trimmed());
        }
        if (comma < 0)
            break;
        pos = comma + 1;
    }
    return fields;
}

QString quoted(const QString& value) { return u'"' + storableSettingValue(value) + u'"'; }

// Written bare as read; quoted only when bare text would not read back the same.
QString leadingField(const QString& value)
{
    QString bare = value;
    bare.replace(u'\r', u' ').replace(u'\n', u' ');
    if (bare.contains(u',') || bare != bare.trimmed() || bare.startsWith(u'"'))
        return quoted(bare);
    return bare;
}

} // namespace

QString storableSettingValue(const QString& typed)
{
    QString value = typed;
    value.replace(u'"', QChar(0xFF02));
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    return value;
}

CampaignSettings parseCampaignSettings(const QByteArray& line)
{
    QString text = decodeCp932UnlessBom(line);
    const qsizetype lineEnd = text.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    if (lineEnd >= 0)
        text.truncate(lineEnd);
    QStringList fields = splitFields(text);
    fields.resize(kFieldCount);

    CampaignSettings s;
    s.leading = fields[0];
    for (int i = 0; i < 8; ++i) {
        s.textFiles[i] = fields[1 + i];
        s.subjects[i] = fields[9 + i];
    }
    s.smtpServer = fields[17];
    s.sender = fields[18];
    return s;
}

QByteArray formatCampaignSettings(const CampaignSettings& s)
{
    QStringList fields{leadingField(s.leading)};
    for (const QString& file : s.textFiles)
        fields.append(quoted(file));
    for (const QString& subject : s.subjects)
        fields.append(quoted(subject));
    fields.append(quoted(s.smtpServer));
    fields.append(quoted(s.sender));
    return toCp932(fields.join(u',') + QStringLiteral("\r\n"));
}

CampaignSettings readCampaignSettings(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parseCampaignSettings(file.readAll());
}

Result<void> writeCampaignSettings(const QString& path, const CampaignSettings& s)
{
    if (auto written = writeWholeFile(path, formatCampaignSettings(s)); !written)
        return fail(ErrorKind::Io,
                    QStringLiteral("設定ファイル「%1」を書き込めません。\n%2").arg(path, written.error().message));
    return {};
}
