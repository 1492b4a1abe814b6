// SPDX-License-Identifier: GPL-3.0-or-later
#include "lists/guest_record.h"

#include "common/text_field.h"

#include <QtEndian>

#include <array>

namespace {

using R = GuestRecord;

constexpr GuestField text(const char* key, int offset, int width, QString R::*member)
{
    return {key, offset, width, member, nullptr};
}

constexpr GuestField number(const char* key, int offset, qint16 R::*member)
{
    return {key, offset, 2, nullptr, member};
}

const std::array<GuestField, 28> kFields = {{
    text("fName", 0, 8, &R::fName),
    text("sName", 8, 8, &R::sName),
    text("hName", 16, 20, &R::hName),
    text("birthday", 36, 10, &R::birthday),
    text("fast", 46, 10, &R::fast),
    text("second", 56, 10, &R::second),
    text("third", 66, 10, &R::third),
    text("fourth", 76, 10, &R::fourth),
    text("fifth", 86, 10, &R::fifth),
    text("sixth", 96, 10, &R::sixth),
    text("seventh", 106, 10, &R::seventh),
    text("soushin", 116, 6, &R::soushin),
    text("shiryou", 122, 6, &R::shiryou),
    text("address", 128, 40, &R::address),
    text("keisyou", 168, 8, &R::keisyou),
    number("repeat", 176, &R::repeat),
    number("mail1", 178, &R::mail1),
    number("mail2", 180, &R::mail2),
    number("mail3", 182, &R::mail3),
    number("mail4", 184, &R::mail4),
    number("mail5", 186, &R::mail5),
    number("mail6", 188, &R::mail6),
    number("mail7", 190, &R::mail7),
    text("CoName", 192, 40, &R::CoName),
    text("Post", 232, 8, &R::Post),
    text("jyusyo", 240, 80, &R::jyusyo),
    text("TEL", 320, 13, &R::TEL),
    text("FAX", 333, 13, &R::FAX),
}};

constexpr std::array<QString R::*, 8> kStepDates = {
    nullptr, &R::fast, &R::second, &R::third, &R::fourth, &R::fifth, &R::sixth, &R::seventh};
constexpr std::array<qint16 R::*, 8> kStepSwitches = {
    &R::repeat, &R::mail1, &R::mail2, &R::mail3, &R::mail4, &R::mail5, &R::mail6, &R::mail7};

} // namespace

const std::array<GuestField, 28>& guestFields() { return kFields; }

const GuestField* findGuestField(QByteArrayView key)
{
    for (const GuestField& field : kFields)
        if (key == field.key)
            return &field;
    return nullptr;
}

FieldSelection allFields() { return FieldSelection().set(); }

FieldSelection selectFields(std::initializer_list<QString GuestRecord::*> fields)
{
    FieldSelection selection;
    for (QString GuestRecord::*member : fields)
        for (std::size_t i = 0; i < kFields.size(); ++i)
            if (kFields[i].text == member)
                selection.set(i);
    return selection;
}

QByteArray encodeGuestRecord(const GuestRecord& record)
{
    QByteArray bytes;
    bytes.reserve(kRecordSize);
    appendGuestRecord(bytes, record);
    return bytes;
}

// The fields lie one after another in the order of kFields.
void appendGuestRecord(QByteArray& bytes, const GuestRecord& record)
{
    for (const GuestField& field : kFields) {
        if (field.text) {
            appendTextField(bytes, record.*field.text, field.width);
        } else {
            char number[2];
            qToLittleEndian<qint16>(record.*field.number, number);
            bytes.append(number, 2);
        }
    }
}

GuestRecord decodeGuestRecord(QByteArrayView bytes, const FieldSelection& fields)
{
    GuestRecord record;
    decodeGuestRecord(bytes, fields, record);
    return record;
}

void decodeGuestRecord(QByteArrayView bytes, const FieldSelection& fields, GuestRecord& record)
{
    if (bytes.size() < kRecordSize) {
        QByteArray padded = bytes.toByteArray();
        padded.append(kRecordSize - padded.size(), '\0');
        decodeGuestRecord(padded, fields, record);
        return;
    }
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        const GuestField& field = kFields[i];
        if (!field.text)
            record.*field.number = qFromLittleEndian<qint16>(bytes.data() + field.offset);
        else if (fields.test(i))
            decodeTextField(bytes.sliced(field.offset, field.width), record.*field.text);
    }
}

QString stepDate(const GuestRecord& record, int step)
{
    return step == 0 ? QString() : record.*kStepDates.at(step);
}
qint16 stepSwitch(const GuestRecord& record, int step) { return record.*kStepSwitches.at(step); }
void setStepSwitch(GuestRecord& record, int step, qint16 value) { record.*kStepSwitches.at(step) = value; }

QString displayName(const GuestRecord& record) { return trimRight(record.fName) + trimRight(record.sName); }

QString mailAddressOf(const GuestRecord& record) { return record.address.trimmed(); }

bool isDelivering(const GuestRecord& record) { return record.soushin.startsWith(QStringLiteral("配信中")); }

QString stepWord(int step)
{
    static const std::array<QString, kStepCount> words{
        QStringLiteral("繰り返し"), QStringLiteral("初回"),   QStringLiteral("２回目"), QStringLiteral("３回目"),
        QStringLiteral("４回目"),   QStringLiteral("５回目"), QStringLiteral("６回目"), QStringLiteral("最終")};
    return words.at(step);
}
