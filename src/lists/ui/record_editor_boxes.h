// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lists/guest_record.h"

#include <QString>

#include <array>

// The editor's boxes: caption, field and input rules of each, shared by the
// code that builds the form and the code that shows and saves a guest.
namespace editor_boxes {

inline const QString kChoose = QStringLiteral("-選択-");
inline constexpr int kFirstDateBox = 3; // Text1(3) birth date .. Text1(10) final step
inline constexpr int kLastDateBox = 10;

// Every box shows its field with trailing spaces removed, so a blank date is
// an empty box and a click in it puts the cursor at its start.
struct BoxInfo {
    const char* caption;
    QString GuestRecord::*field;
    int byteLimit;       // 0: no limit
    bool inputMethodOff; // only plain characters make sense here
};

inline const std::array<BoxInfo, 12> kText1{{
    {"名字", &GuestRecord::fName, 8, false},
    {"名前", &GuestRecord::sName, 8, false},
    {"ニックネーム", &GuestRecord::hName, 20, false},
    {"生年月日", &GuestRecord::birthday, 0, true},
    {"初回", &GuestRecord::fast, 0, false},
    {"２回目", &GuestRecord::second, 0, false},
    {"３回目", &GuestRecord::third, 0, false},
    {"４回目", &GuestRecord::fourth, 0, false},
    {"５回目", &GuestRecord::fifth, 0, false},
    {"６回目", &GuestRecord::sixth, 0, false},
    {"最終", &GuestRecord::seventh, 0, false},
    {"メールアドレス", &GuestRecord::address, 40, false},
}};

inline const std::array<BoxInfo, 5> kText25{{
    {"社名", &GuestRecord::CoName, 40, false},
    {"〒", &GuestRecord::Post, 0, true},
    {"住所", &GuestRecord::jyusyo, 40, false},
    {"TEL", &GuestRecord::TEL, 0, true},
    {"FAX", &GuestRecord::FAX, 0, true},
}};

inline const BoxInfo kHonorific{"敬称", &GuestRecord::keisyou, 0, false};
inline constexpr int kMailBox = 11;

} // namespace editor_boxes
