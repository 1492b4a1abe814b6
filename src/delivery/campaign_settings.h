// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"

#include <QByteArray>
#include <QString>

#include <array>

// The settings kept in config.ini: one line of nineteen comma-separated fields.
struct CampaignSettings {
    QString leading;                   // field 1, written back exactly as read
    std::array<QString, 8> textFiles;  // [0] repeat, [1..7] first..final  (fields 2..9)
    std::array<QString, 8> subjects;   // same order                        (fields 10..17)
    QString smtpServer;                // field 18
    QString sender;                    // field 19
};

// Reads the first line (code page 932, or UTF-8 after a byte-order mark): quoted fields (text between the quotes), unquoted
// fields (trimmed, up to the next comma); absent fields stay empty.
CampaignSettings parseCampaignSettings(const QByteArray& line);
// One line ended by CR LF in code page 932; fields 2..19 quoted.
QByteArray formatCampaignSettings(const CampaignSettings& s);
// A missing or unreadable file gives empty settings.
CampaignSettings readCampaignSettings(const QString& path);
// Replaces the file atomically; on failure the old file stays and the error names it.
Result<void> writeCampaignSettings(const QString& path, const CampaignSettings& s);
// What a typed value becomes in the file: '"' turns into '＂' and line
// breaks into spaces, since either would cut the line apart.
QString storableSettingValue(const QString& typed);
