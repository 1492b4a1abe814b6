// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/cp932.h"
#include "common/text_field.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

TEST(Cp932Codec, EncodesTheCharactersThatShiftJisRefuses)
{
    EXPECT_EQ(toCp932(u"★"), QByteArray("\x81\x9A"));
    EXPECT_EQ(toCp932(u"～"), QByteArray("\x81\x60"));
    EXPECT_EQ(toCp932(u"山田"), QByteArray("\x8E\x52\x93\x63"));
    EXPECT_EQ(toCp932(u"①"), QByteArray("\x87\x40"));
    EXPECT_EQ(toCp932(u"ｷｬﾝｾﾙ"), QByteArray("\xB7\xAC\xDD\xBE\xD9"));
}

TEST(Cp932Codec, DecodesBackAndReplacesWhatItCannotHold)
{
    EXPECT_EQ(fromCp932("\x8E\x52\x93\x63"), u"山田");
    EXPECT_EQ(fromCp932("\x81\x60"), u"～");
    EXPECT_EQ(toCp932(u"a😀b"), QByteArray("a?b"));
    EXPECT_EQ(fromCp932("a\x81"), QStringLiteral("a\uFFFD"));
    // A lead byte before a byte that cannot follow it: only the lead is lost.
    EXPECT_EQ(fromCp932("\x81 \x8E\x52"), QStringLiteral("\uFFFD 山"));
    // The IBM and NEC duplicates read as one character, which is written in its JIS form.
    EXPECT_EQ(fromCp932("\xEE\xF9\xFA\x54\x81\xCA"), u"￢￢￢");
    EXPECT_EQ(toCp932(u"￢"), QByteArray("\x81\xCA"));
}

TEST(Cp932Codec, NamesTheCharactersItCannotHold)
{
    EXPECT_EQ(unencodableInCp932(u"山田?①～"), u"");
    EXPECT_EQ(unencodableInCp932(u"𠮷田と𠮷野、é?😀"), u"𠮷é😀");
    // A byte-order mark inside a text is a character with no code; ¥ and ‾ would read back as \ and ~.
    EXPECT_EQ(unencodableInCp932(u"山\uFEFF田¥‾"), u"\uFEFF¥‾");
}

TEST(Cp932Codec, TellsUtf8FromCp932)
{
    EXPECT_EQ(decodeCp932OrUtf8("\xEF\xBB\xBF" "abc"), u"abc");
    EXPECT_EQ(decodeCp932OrUtf8(QByteArray("山田")), u"山田");          // UTF-8 source bytes
    EXPECT_EQ(decodeCp932OrUtf8("\x8E\x52\x93\x63"), u"山田");           // not valid UTF-8
}

TEST(TextField, CutsToFourFullWidthCharactersOfEightBytes)
{
    EXPECT_EQ(encodeTextField(u"山田山田山田山田山"_s, 8), toCp932(u"山田山田"));
}

TEST(TextField, PadsAndNeverSplitsADoubleByteCharacter)
{
    EXPECT_EQ(encodeTextField(u"山"_s, 8), QByteArray("\x8E\x52      "));
    // "a" + four full-width characters is 9 bytes: the last one does not fit.
    EXPECT_EQ(encodeTextField(u"a山田山田"_s, 8), QByteArray("a\x8E\x52\x93\x63\x8E\x52 "));
    const QString address = QString(40, u'x');
    EXPECT_EQ(encodeTextField(address, 40), address.toLatin1());
}

TEST(TextField, ReadingStopsAtTheFirstZeroByte)
{
    EXPECT_EQ(decodeTextField(QByteArray("\0abc", 4)), QString());
    EXPECT_EQ(decodeTextField(QByteArray("ab\0c", 4)), u"ab");
    EXPECT_EQ(decodeTextField("ab  "), u"ab  ");
    EXPECT_EQ(trimRight(u"山田  "_s), u"山田");
    EXPECT_EQ(trimRight(u"　山 "_s), u"　山");
}
