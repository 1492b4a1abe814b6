// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <bitset>
#include <initializer_list>

constexpr int kRecordSize = 346;

// One guest as stored: text members hold the decoded field untrimmed (an
// empty text means the field began with a zero byte); switches are 1 for on.
struct GuestRecord {
    QString fName, sName, hName, birthday;
    QString fast, second, third, fourth, fifth, sixth, seventh;
    QString soushin, shiryou, address, keisyou;
    qint16 repeat = 0, mail1 = 0, mail2 = 0, mail3 = 0, mail4 = 0, mail5 = 0, mail6 = 0, mail7 = 0;
    QString CoName, Post, jyusyo, TEL, FAX;
};

// Where each field lives in the 346 bytes; exactly one of text/number is set.
struct GuestField {
    const char* key;
    int offset;
    int width;
    QString GuestRecord::*text;
    qint16 GuestRecord::*number;
};

const std::array<GuestField, 28>& guestFields();
const GuestField* findGuestField(QByteArrayView key);

// The text fields a whole-list walk decodes, by their place in guestFields():
// a walk that needs a few fields of every guest decodes only those.
using FieldSelection = std::bitset<28>;
FieldSelection allFields();
FieldSelection selectFields(std::initializer_list<QString GuestRecord::*> fields);

QByteArray encodeGuestRecord(const GuestRecord& record);
// The same 346 bytes appended to `bytes`.
void appendGuestRecord(QByteArray& bytes, const GuestRecord& record);
// A short input reads as if padded with zero bytes. Text fields left out of
// `fields` read empty; the switches are always read.
GuestRecord decodeGuestRecord(QByteArrayView bytes, const FieldSelection& fields = allFields());
// The same into `record`, reusing the buffers of its texts; fields left out
// keep what they held.
void decodeGuestRecord(QByteArrayView bytes, const FieldSelection& fields, GuestRecord& record);

// Steps: 0 is the repeat step, 1..7 the first to final step.
constexpr int kStepCount = 8;
QString stepDate(const GuestRecord& record, int step);   // step 1..7
qint16 stepSwitch(const GuestRecord& record, int step);  // step 0..7
void setStepSwitch(GuestRecord& record, int step, qint16 value);
// The one word for a step (繰り返し, 初回 … 最終), in the editor, the history and the reports.
QString stepWord(int step);

// Family name and given name, trailing spaces removed, no separator.
QString displayName(const GuestRecord& record);
// The address a mail goes to, and the one its exactly-once key holds: the blanks around it removed.
QString mailAddressOf(const GuestRecord& record);
// Delivery status begins with "配信中".
bool isDelivering(const GuestRecord& record);
