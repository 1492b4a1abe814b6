// SPDX-License-Identifier: GPL-3.0-or-later
#include "smtp/received_mail.h"

#include <QRegularExpression>

#include <memory>
#include <mutex>
#include <optional>
#include <utility>

// Qt's "signals" keyword would rewrite a member name in GLib's headers.
#pragma push_macro("signals")
#undef signals
#include <gmime/gmime.h>
#pragma pop_macro("signals")

namespace {

struct Unref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using Owned = std::unique_ptr<T, Unref>;

// GMime parses from a stream over a copy of the bytes.
Owned<GMimeParser> parserOver(const QByteArray& bytes)
{
    static std::once_flag ready;
    std::call_once(ready, [] { g_mime_init(); });
    Owned<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(bytes.constData(), size_t(bytes.size())));
    return Owned<GMimeParser>(g_mime_parser_new_with_stream(stream.get()));
}

QString header(GMimeObject* object, const char* name)
{
    return QString::fromUtf8(g_mime_object_get_header(object, name)).trimmed();
}

bool isType(GMimeObject* object, const char* type, const char* subtype)
{
    return g_mime_content_type_is_type(g_mime_object_get_content_type(object), type, subtype);
}

bool isAutoReply(GMimeObject* message, const QString& subject)
{
    // RFC 3834: any value but "no" marks a mail no person wrote.
    const QString submitted = header(message, "Auto-Submitted").toLower();
    if (!submitted.isEmpty() && submitted.section(u';', 0, 0).trimmed() != u"no")
        return true;
    if (g_mime_object_get_header(message, "X-Autoreply") || g_mime_object_get_header(message, "X-Autorespond"))
        return true;
    const QString precedence = header(message, "Precedence").toLower();
    if (precedence == u"auto_reply" || precedence == u"bulk" || precedence == u"junk")
        return true;
    static const QRegularExpression vacation(
        QStringLiteral("out of (the )?office|auto(matic)?[- ]?(reply|response|antwort)|vacation|abwesen|"
                       "r[ée]ponse automatique|自動(応答|返信|送信)|不在|休暇"),
        QRegularExpression::CaseInsensitiveOption);
    return vacation.match(subject).hasMatch();
}

QByteArray decodedContent(GMimePart* part)
{
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (!content)
        return {};
    Owned<GMimeStream> sink(g_mime_stream_mem_new());
    g_mime_data_wrapper_write_to_stream(content, sink.get());
    const GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(sink.get()));
    return QByteArray(reinterpret_cast<const char*>(bytes->data), qsizetype(bytes->len));
}

// The per-recipient blocks of a message/delivery-status body, each a header
// block that GMime reads; the first block is the per-message one.
QList<ReportedRecipient> recipientsOf(const QByteArray& report)
{
    QList<ReportedRecipient> recipients;
    QByteArray text = report;
    text.replace("\r\n", "\n");
    qsizetype start = 0;
    bool first = true;
    while (start < text.size()) {
        qsizetype end = text.indexOf("\n\n", start);
        if (end < 0)
            end = text.size();
        const QByteArray block = text.mid(start, end - start).trimmed() + "\n\n";
        start = end + 2;
        if (block.trimmed().isEmpty() || std::exchange(first, false))
            continue;
        auto parser = parserOver(block);
        Owned<GMimeObject> fields(g_mime_parser_construct_part(parser.get(), nullptr));
        if (!fields)
            continue;
        QString address = header(fields.get(), "Final-Recipient");
        address = address.mid(address.indexOf(u';') + 1).trimmed().toLower();
        const QString status = header(fields.get(), "Status").section(u' ', 0, 0);
        recipients.append({address, header(fields.get(), "Action").toLower(), status});
    }
    return recipients;
}

std::optional<QList<ReportedRecipient>> deliveryReport(GMimeMessage* message)
{
    GMimeObject* body = g_mime_message_get_mime_part(message);
    if (!body || !GMIME_IS_MULTIPART(body) || !isType(body, "multipart", "report"))
        return std::nullopt;
    const QString reportType = QString::fromUtf8(
        g_mime_content_type_get_parameter(g_mime_object_get_content_type(body), "report-type"));
    if (reportType.compare(u"delivery-status", Qt::CaseInsensitive) != 0)
        return std::nullopt;
    GMimeMultipart* parts = GMIME_MULTIPART(body);
    for (int i = 0; i < g_mime_multipart_get_count(parts); ++i) {
        GMimeObject* part = g_mime_multipart_get_part(parts, i);
        if (GMIME_IS_PART(part)
            && (isType(part, "message", "delivery-status") || isType(part, "message", "global-delivery-status")))
            return recipientsOf(decodedContent(GMIME_PART(part)));
    }
    return QList<ReportedRecipient>{};
}

QString firstAddress(InternetAddressList* list)
{
    for (int i = 0; list && i < internet_address_list_length(list); ++i) {
        InternetAddress* address = internet_address_list_get_address(list, i);
        if (INTERNET_ADDRESS_IS_MAILBOX(address))
            return QString::fromUtf8(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address))).toLower();
    }
    return {};
}

QString bodyText(GMimeMessage* message)
{
    GMimeObject* body = g_mime_message_get_body(message);
    if (!body || !GMIME_IS_TEXT_PART(body) || !isType(body, "text", "plain"))
        return {};
    char* text = g_mime_text_part_get_text(GMIME_TEXT_PART(body));
    const QString decoded = QString::fromUtf8(text);
    g_free(text);
    return decoded;
}

} // namespace

ReceivedMail readReceivedMail(const QByteArray& raw)
{
    ReceivedMail mail;
    auto parser = parserOver(raw);
    Owned<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
    if (!message)
        return mail;
    GMimeMessage* m = message.get();
    mail.messageId = QString::fromUtf8(g_mime_message_get_message_id(m));
    mail.from = firstAddress(g_mime_message_get_from(m));
    mail.subject = QString::fromUtf8(g_mime_message_get_subject(m));
    if (GDateTime* date = g_mime_message_get_date(m))
        mail.date = QDateTime::fromSecsSinceEpoch(g_date_time_to_unix(date));
    if (auto recipients = deliveryReport(m)) {
        mail.kind = ReceivedKind::DeliveryReport;
        mail.recipients = *recipients;
        return mail;
    }
    mail.kind = isAutoReply(GMIME_OBJECT(m), mail.subject) ? ReceivedKind::AutoReply : ReceivedKind::Written;
    mail.text = bodyText(m);
    return mail;
}
