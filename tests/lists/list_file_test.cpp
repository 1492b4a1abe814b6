// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/text_field.h"
#include "lists/list_file.h"

#include "test_support.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

int count(const QString& path, EndTest test, ProbeField probe = &GuestRecord::fName)
{
    return int(readGuestList(path, test, probe).value().size());
}

} // namespace

TEST(GuestRecordBytes, FieldsSitAtTheirOffsets)
{
    GuestRecord guest = makeGuest(u"山田"_s, u"花子"_s);
    guest.address = u"hanako@example.jp"_s;
    guest.mail3 = 1;
    guest.repeat = -2;
    const QByteArray bytes = encodeGuestRecord(guest);
    ASSERT_EQ(bytes.size(), 346);
    EXPECT_EQ(bytes.mid(0, 8), QByteArray("\x8E\x52\x93\x63    "));
    EXPECT_EQ(bytes.mid(116, 6), QByteArray("\x94\x7A\x90\x4D\x92\x86"));
    EXPECT_EQ(bytes.mid(128, 17), QByteArray("hanako@example.jp"));
    EXPECT_EQ(bytes.mid(176, 2), QByteArray("\xFE\xFF"));
    EXPECT_EQ(bytes.mid(182, 2), QByteArray("\x01\x00", 2));
    EXPECT_EQ(bytes.mid(333, 13), QByteArray(13, ' '));
}

TEST(GuestRecordBytes, OnlyOneSwitchesOn)
{
    GuestRecord guest = makeGuest(u"a"_s);
    guest.mail2 = 2;
    const GuestRecord back = decodeGuestRecord(encodeGuestRecord(guest));
    EXPECT_EQ(back.mail2, 2);
    EXPECT_EQ(stepSwitch(back, 2) == 1, false);
}

TEST(ListFile, NewListIsOneEmptyRecordAndCountsNone)
{
    TestHome home;
    const QString path = home.path(u"new.lst"_s);
    ASSERT_TRUE(CreateListFile(path));
    EXPECT_EQ(readBytes(path), QByteArray(346, '\0'));
    EXPECT_EQ(count(path, EndTest::ZeroProbe, &GuestRecord::birthday), 0);
    EXPECT_EQ(count(path, EndTest::BlankProbe), 0);
    EXPECT_EQ(count(path, EndTest::EmptyRecord), 0);
}

TEST(ListFile, ThreeGuestsCountThreeAndRecordFourReadsEmpty)
{
    TestHome home;
    const QString path = home.path(u"three.lst"_s);
    writeList(path, {makeGuest(u"a"_s), makeGuest(u"b"_s), makeGuest(u"c"_s)});
    EXPECT_EQ(count(path, EndTest::ZeroProbe, &GuestRecord::birthday), 3);
    EXPECT_EQ(count(path, EndTest::BlankProbe), 3);
    EXPECT_EQ(count(path, EndTest::EmptyRecord), 3);
    EXPECT_TRUE(IsEndOfList(ReadGuestRecord(path, 4).value(), EndTest::EmptyRecord));
    EXPECT_EQ(ReadGuestRecord(path, 2).value().fName, u"b       ");
}

TEST(ListFile, BlankFamilyNameEndsOnlyTheBlankProbe)
{
    TestHome home;
    const QString path = home.path(u"blank.lst"_s);
    GuestRecord blank = makeGuest(QString());
    blank.birthday = u"1980/01/01"_s;
    writeList(path, {makeGuest(u"a"_s), blank, makeGuest(u"c"_s)});
    EXPECT_EQ(count(path, EndTest::BlankProbe), 1);
    EXPECT_EQ(count(path, EndTest::ZeroProbe, &GuestRecord::birthday), 3);
    EXPECT_EQ(count(path, EndTest::EmptyRecord), 3);
}

TEST(ListFile, WritingPastTheEndExtendsWithEmptyRecords)
{
    TestHome home;
    const QString path = home.path(u"two.lst"_s);
    writeList(path, {makeGuest(u"a"_s), makeGuest(u"b"_s)});
    ASSERT_TRUE(WriteGuestRecord(path, 5, makeGuest(u"e"_s)));
    const QByteArray bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), 5 * 346);
    EXPECT_EQ(bytes.mid(2 * 346, 2 * 346), QByteArray(2 * 346, '\0'));
    EXPECT_EQ(trimRight(ReadGuestRecord(path, 5).value().fName), u"e");
    EXPECT_EQ(count(path, EndTest::EmptyRecord), 2);
}

TEST(ListFile, PartialLastRecordReadsZeroPaddedAndIsNotRewritten)
{
    TestHome home;
    const QString path = home.path(u"cut.lst"_s);
    QByteArray bytes = encodeGuestRecord(makeGuest(u"a"_s)) + encodeGuestRecord(makeGuest(u"b"_s)).left(20);
    writeBytes(path, bytes);
    const GuestRecord partial = ReadGuestRecord(path, 2).value();
    EXPECT_EQ(partial.fName, u"b       ");
    EXPECT_EQ(partial.birthday, QString());
    EXPECT_EQ(count(path, EndTest::BlankProbe), 2);
    EXPECT_EQ(recordAt(bytes, 2).fName, u"b       ");
    EXPECT_TRUE(IsEndOfList(recordAt(bytes, 3), EndTest::EmptyRecord));
    EXPECT_TRUE(IsEndOfList(recordAt(bytes, 0), EndTest::EmptyRecord));
    EXPECT_EQ(readBytes(path), bytes);
}

TEST(ListFile, MissingFileIsCreatedEmpty)
{
    TestHome home;
    const QString path = home.path(u"guestlst.lst"_s);
    EXPECT_EQ(count(path, EndTest::ZeroProbe, &GuestRecord::birthday), 0);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(QFile(path).size(), 0);
}

TEST(ListFile, UnreachableFolderGivesAMessageNamingTheFile)
{
    TestHome home;
    const QString path = home.path(u"missing/dir/a.lst"_s);
    auto read = readGuestList(path, EndTest::BlankProbe);
    ASSERT_FALSE(read);
    EXPECT_TRUE(read.error().message.contains(path));
    auto written = WriteGuestRecord(path, 1, makeGuest(u"a"_s));
    ASSERT_FALSE(written);
    EXPECT_TRUE(written.error().message.contains(path));
    EXPECT_FALSE(replaceListFile(path, QByteArray(346, '\0')));
}
