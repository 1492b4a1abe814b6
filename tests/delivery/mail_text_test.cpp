// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/cp932.h"
#include "delivery/mail_text.h"
#include "delivery/personalise.h"

#include "test_support.h"

#include <gtest/gtest.h>

TEST(Personalise, EveryMarkerBecomesFamilyNameAndHonorific)
{
    EXPECT_EQ(personalise(u"★★★\nいつもありがとう、★★★。"_s, u"山田  "_s, u"様 "_s),
              u"山田様\nいつもありがとう、山田様。"_s);
    EXPECT_EQ(personalise(u"★★ 二つだけ"_s, u"山田"_s, u"様"_s), u"★★ 二つだけ"_s);
    EXPECT_EQ(personalise(u"no marker"_s, u"山田"_s, u"様"_s), u"no marker"_s);
}

TEST(MailText, ReadsCp932AndUtf8WithPlainLineEnds)
{
    TestHome home;
    writeBytes(home.path(u"a.txt"_s), toCp932(u"★★★\r\n本文です"_s));
    EXPECT_EQ(readMailText(home.path(u"a.txt"_s)).value(), u"★★★\n本文です"_s);
    writeBytes(home.path(u"u.txt"_s), u"ＵＴＦ８の本文\n"_s.toUtf8());
    EXPECT_EQ(readMailText(home.path(u"u.txt"_s)).value(), u"ＵＴＦ８の本文\n"_s);
}

TEST(MailText, WritesCp932WithCrLfAndReadsBack)
{
    TestHome home;
    const QString path = home.path(u"text/new.txt"_s);
    ASSERT_TRUE(writeMailText(path, u"一行目\n二行目①"_s));
    EXPECT_EQ(readBytes(path), toCp932(u"一行目\r\n二行目①"_s));
    EXPECT_EQ(readMailText(path).value(), u"一行目\n二行目①"_s);
}

TEST(MailText, FailuresNameTheFileAndKeepNothingHalfWritten)
{
    TestHome home;
    const auto missing = readMailText(home.path(u"none.txt"_s));
    ASSERT_FALSE(missing);
    EXPECT_TRUE(missing.error().message.contains(home.path(u"none.txt"_s)));
    EXPECT_FALSE(readMailText(QString()));

    const QString blocked = home.path(u"nodir/x.txt"_s);
    const auto written = writeMailText(blocked, u"x"_s);
    ASSERT_FALSE(written);
    EXPECT_TRUE(written.error().message.contains(blocked));
    EXPECT_FALSE(QFile::exists(blocked));
}
