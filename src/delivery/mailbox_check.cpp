// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/mailbox_check.h"

#include "delivery/send_store.h"
#include "delivery/sender_notice.h"
#include "lists/list_file.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace {

// How far into a reply a request to stop is looked for: quoted text below is the mail itself.
constexpr int kRequestLines = 5;

MailboxEvent eventFor(const ReceivedMail& mail, const MailboxGuest* guest, MailboxReason reason, const QString& status = {})
{
    MailboxEvent e;
    if (guest) {
        e.record = guest->record;
        e.address = guest->address;
        e.name = guest->name;
        e.list = guest->listPath;
    } else {
        e.address = mail.from;
    }
    e.reason = reason;
    e.status = status;
    e.messageDate = mail.date;
    e.sender = mail.from;
    e.subject = mail.subject;
    e.outcome = reason == MailboxReason::AddressUnknown || reason == MailboxReason::OptOut ? MailboxOutcome::Stopped
                                                                                           : MailboxOutcome::Listed;
    return e;
}

QList<MailboxEvent> judgeReport(const ReceivedMail& mail, const QList<MailboxGuest>& guests)
{
    QList<MailboxEvent> events;
    for (const ReportedRecipient& r : mail.recipients) {
        if (r.action != u"failed" || !r.status.startsWith(u"5."))
            continue;
        const auto reason = r.status.startsWith(u"5.1.") ? MailboxReason::AddressUnknown : MailboxReason::OtherFailure;
        for (const MailboxGuest& g : guests)
            if (g.delivering && g.address == r.address)
                events.append(eventFor(mail, &g, reason, r.status));
    }
    return events;
}

// The tokens List-Unsubscribe put in the subject ("unsubscribe 12-..."), in case
// a mail client left the subject percent-encoded, or a forwarded one-click request in the body.
std::optional<QList<MailboxEvent>> judgeTokens(const ReceivedMail& mail, const QList<MailboxGuest>& guests,
                                               const QByteArray& key)
{
    static const QRegularExpression token(QStringLiteral("(?<![0-9A-Za-z_-])(\\d{1,6})-[A-Za-z0-9_-]{16}(?![A-Za-z0-9_-])"));
    const QString text = QUrl::fromPercentEncoding(mail.subject.toUtf8()) + u'\n' + mail.text;
    bool valid = false;
    QList<MailboxEvent> events;
    for (const QRegularExpressionMatch& m : token.globalMatch(text)) {
        const int record = m.captured(1).toInt();
        for (const MailboxGuest& g : guests) {
            if (g.record != record || optOutToken(key, g.listFile, record, g.address) != m.captured(0))
                continue;
            valid = true;
            if (g.delivering)
                events.append(eventFor(mail, &g, MailboxReason::OptOut));
        }
    }
    return valid ? std::optional(events) : std::nullopt;
}

bool asksToStop(const ReceivedMail& mail)
{
    static const QRegularExpression words(QStringLiteral("配信停止|解除|unsubscribe"), QRegularExpression::CaseInsensitiveOption);
    if (words.match(mail.subject).hasMatch())
        return true;
    int seen = 0;
    for (const QString& raw : mail.text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'>'))
            continue;
        if (words.match(line).hasMatch())
            return true;
        if (++seen == kRequestLines)
            break;
    }
    return false;
}

QList<MailboxEvent> judgeRequest(const ReceivedMail& mail, const QList<MailboxGuest>& guests)
{
    QList<MailboxEvent> events;
    for (const MailboxGuest& g : guests)
        if (g.delivering && g.address == mail.from)
            events.append(eventFor(mail, &g, MailboxReason::OptOutRequest));
    if (events.isEmpty())
        events.append(eventFor(mail, nullptr, MailboxReason::OptOutRequest));
    return events;
}

// Through the one record writer; false when the guest changed since the list was read.
Result<bool> stopGuest(const QString& listPath, int record, const QString& address)
{
    auto guest = ReadGuestRecord(listPath, record);
    if (!guest)
        return std::unexpected(guest.error());
    if (mailAddressOf(*guest).toLower() != address || !isDelivering(*guest))
        return false;
    guest->soushin = QStringLiteral("停止済");
    if (auto written = WriteGuestRecord(listPath, record, *guest); !written)
        return std::unexpected(written.error());
    return true;
}

QString mailboxName(const ImapLogin& login)
{
    return QStringLiteral("%1@%2:%3/%4").arg(login.user, login.host).arg(login.port).arg(login.folder);
}

// Applies what one message means; what it did goes into check.
Result<void> act(SendStore& store, QList<MailboxEvent> events, QList<MailboxGuest>& guests, MailboxCheck& check)
{
    for (MailboxEvent& e : events) {
        const QString listPath = e.list;
        if (!listPath.isEmpty())
            e.list = store.listName(listPath);
        auto known = store.knowsMailboxEvent(e);
        if (!known)
            return std::unexpected(known.error());
        if (*known)
            continue;
        if (e.outcome == MailboxOutcome::Stopped) {
            auto stopped = stopGuest(listPath, e.record, e.address);
            if (!stopped)
                return std::unexpected(stopped.error());
            if (!*stopped)
                continue;
            for (MailboxGuest& g : guests)
                g.delivering = g.delivering && !(g.listPath == listPath && g.record == e.record);
        }
        if (auto recorded = store.recordMailboxEvent(e); !recorded)
            return std::unexpected(recorded.error());
        (e.outcome == MailboxOutcome::Stopped ? check.stopped : check.listed).append(e);
    }
    return {};
}

} // namespace

QString mailboxReasonWord(MailboxReason reason)
{
    switch (reason) {
    case MailboxReason::AddressUnknown:
        return QStringLiteral("宛先不明");
    case MailboxReason::OtherFailure:
        return QStringLiteral("配信エラー");
    case MailboxReason::OptOut:
        return QStringLiteral("配信停止の申し出");
    default:
        return QStringLiteral("配信停止の依頼（照合なし）");
    }
}

QString mailboxOutcomeWord(MailboxOutcome outcome)
{
    switch (outcome) {
    case MailboxOutcome::Stopped:
        return QStringLiteral("停止済にしました");
    case MailboxOutcome::Listed:
        return QStringLiteral("確認待ち");
    case MailboxOutcome::StoppedByOperator:
        return QStringLiteral("停止にしました（確認済み）");
    default:
        return QStringLiteral("無視しました");
    }
}

Result<QList<MailboxGuest>> mailboxGuests(const QString& programRoot)
{
    QList<MailboxGuest> guests;
    const QDir root(programRoot);
    const FieldSelection fields = selectFields({&GuestRecord::address, &GuestRecord::soushin, &GuestRecord::fName,
                                                &GuestRecord::sName, &GuestRecord::birthday});
    for (const QString& file : root.entryList({QStringLiteral("*.lst")}, QDir::Files, QDir::Name)) {
        const QString path = root.filePath(file);
        auto walked = walkGuestList(path, EndTest::ZeroProbe, &GuestRecord::birthday, fields, [&](int k, GuestRecord& g) {
            guests.append({path, file, k, mailAddressOf(g).toLower(), displayName(g), isDelivering(g)});
        });
        if (!walked)
            return std::unexpected(walked.error());
    }
    return guests;
}

QList<MailboxEvent> judgeMail(const ReceivedMail& mail, const QList<MailboxGuest>& guests, const QByteArray& optOutKey)
{
    switch (mail.kind) {
    case ReceivedKind::DeliveryReport:
        return judgeReport(mail, guests);
    case ReceivedKind::AutoReply:
        return {};
    case ReceivedKind::Written:
        break;
    }
    if (auto byToken = judgeTokens(mail, guests, optOutKey))
        return *byToken;
    return asksToStop(mail) ? judgeRequest(mail, guests) : QList<MailboxEvent>{};
}

Result<MailboxCheck> checkMailbox(const QString& programRoot, const ImapLogin& login, const QDateTime& now,
                                  ImapReader& reader)
{
    auto store = SendStore::open(programRoot);
    auto key = optOutKey(programRoot);
    auto guests = mailboxGuests(programRoot);
    if (!store || !key || !guests)
        return std::unexpected(!store ? store.error() : !key ? key.error() : guests.error());
    const QString mailbox = mailboxName(login);
    auto mark = (*store)->mailboxMark(mailbox);
    auto validity = reader.open(login);
    if (!mark || !validity)
        return std::unexpected(!mark ? mark.error() : validity.error());
    MailboxMark reached{*validity, mark->uidValidity == *validity ? mark->lastUid : 0};
    // A first reading looks no further back than the first mail sent: older mail concerns none of them.
    const auto since = (*store)->firstMailDay(now.date());
    if (!since)
        return std::unexpected(since.error());
    auto uids = reached.lastUid > 0 ? reader.uidsAfter(reached.lastUid) : reader.uidsSince(*since);
    if (!uids)
        return std::unexpected(uids.error());
    MailboxCheck check;
    Result<void> done;
    for (const qint64 uid : std::as_const(*uids)) {
        auto raw = reader.fetch(uid);
        // One message that cannot be read whole must not hold back every later check.
        if (!raw && raw.error().kind == ErrorKind::Format) {
            reached.lastUid = uid;
            ++check.unreadable;
            continue;
        }
        if (!raw) {
            done = std::unexpected(raw.error());
            break;
        }
        const ReceivedMail mail = readReceivedMail(*raw);
        QList<MailboxEvent> events = judgeMail(mail, *guests, *key);
        for (MailboxEvent& e : events) {
            e.message = mail.messageId.isEmpty() ? QStringLiteral("%1:%2").arg(*validity).arg(uid) : mail.messageId;
            e.mailbox = mailbox;
            e.uidValidity = *validity;
            e.uid = uid;
            e.time = now;
        }
        if (done = act(**store, events, *guests, check); !done)
            break;
        reached.lastUid = uid;
        ++check.read;
    }
    // What was read stays read, even when a later message failed.
    if (auto kept = (*store)->setMailboxMark(mailbox, reached); !kept && done)
        done = kept;
    if (!done)
        return std::unexpected(done.error());
    return check;
}

QString mailboxSummary(const MailboxCheck& check)
{
    QString line = QStringLiteral("受信箱: 読んだメール %1 通、停止済にした顧客 %2 件、確認待ち %3 件")
                       .arg(check.read)
                       .arg(check.stopped.size())
                       .arg(check.listed.size());
    if (check.unreadable > 0)
        line += QStringLiteral("、読めなかったメール %1 通").arg(check.unreadable);
    return line;
}

Result<QList<MailboxEvent>> listedCandidates(const QString& programRoot)
{
    auto store = SendStore::open(programRoot);
    if (!store)
        return std::unexpected(store.error());
    return (*store)->listedMailboxEvents();
}

Result<void> decideListed(const QString& programRoot, const MailboxEvent& event, MailboxOutcome outcome,
                          const QDateTime& now)
{
    auto store = SendStore::open(programRoot);
    if (!store)
        return std::unexpected(store.error());
    if (outcome == MailboxOutcome::StoppedByOperator && event.record > 0) {
        auto stopped = stopGuest(QDir(programRoot).absoluteFilePath(event.list), event.record, event.address);
        if (!stopped)
            return std::unexpected(stopped.error());
        if (!*stopped)
            return fail(ErrorKind::NotFound,
                        QStringLiteral("%1 さんはリストで変わっているか既に停止済のため、変更しませんでした。"
                                       "不要なら「無視」を押してください。")
                            .arg(event.name));
    }
    return (*store)->decideMailboxEvent(event.id, outcome, now);
}
