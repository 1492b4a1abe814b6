// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/line_mail.h"

#include "delivery/mail_text.h"

#include <QDir>
#include <QFileInfo>

Result<SendJob> jobInFolder(const ProgramDir& dir, const QString& listPath, const CampaignSettings& settings,
                            const SmtpSettings& smtp, MailKind kind, const QList<DueEntry>& lines)
{
    const auto notice = readSenderNotice(dir.root());
    if (!notice)
        return std::unexpected(notice.error());
    SendJob job{listPath, dir.logDir(), settings, std::nullopt, lines, kind, dir.root(), dir.sendLock(), smtp};
    job.notice = *notice;
    return job;
}

Result<std::pair<GuestRecord, MailContent>> guestAndContent(const SendJob& job, const QList<GuestRecord>& guests,
                                                            const DueEntry& line)
{
    if (job.content) {
        const auto guest = guestFor(guests, line);
        if (!guest)
            return fail(ErrorKind::InvalidInput, QStringLiteral("リストに見つかりません"));
        return std::pair{*guest, *job.content};
    }
    const auto due = prepareDueMail(guests, line, job.settings);
    if (!due)
        return fail(ErrorKind::InvalidInput, QStringLiteral("この日に送信するメールが見つかりません"));
    auto content = stepMailContent(job.settings, due->step, job.home);
    if (!content)
        return std::unexpected(content.error());
    return std::pair{due->guest, *content};
}

Result<MailContent> stepMailContent(const CampaignSettings& settings, int step, const QString& home)
{
    const QString& file = settings.textFiles.at(step);
    auto text = readMailText(file.isEmpty() ? file : QDir(home).filePath(file));
    if (!text)
        return fail(ErrorKind::InvalidInput,
                    file.isEmpty() ? QStringLiteral("送信Textが設定されていません") : text.error().message);
    return MailContent{settings.subjects.at(step), *text};
}

Result<OutgoingMail> mailForLine(const SendJob& job, const DueEntry& line, const QDateTime& now)
{
    const auto guests = readSendingList(job.listPath);
    if (!guests)
        return std::unexpected(guests.error());
    const auto made = guestAndContent(job, *guests, line);
    if (!made)
        return std::unexpected(made.error());
    auto mail = buildGuestMail(made->first, made->second, job.settings, job.smtp, now,
                               optOutFor(job, optOutKey(job.home).value_or(QByteArray()), line.recordNumber));
    if (mail && job.testSend)
        markAsTest(*mail);
    return mail;
}

OptOut optOutFor(const SendJob& job, const QByteArray& key, int record)
{
    return OptOut{job.notice, key, QFileInfo(job.listPath).fileName(), record};
}
