#include "panel_fixture.h"
#include "smtp_sink.h"

#include "delivery/guest_lookup.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

TEST(EndToEnd, StartupRunDeliversThroughSmtpAndSkipsARefusedRecipient)
{
    SmtpSink sink;
    ASSERT_GT(sink.port(), 0);
    CurlMailTransport curl;
    Panels p(nullptr, &curl);
    p.setText(u"Text7"_s, p.writeText(u"third.txt"_s, u"★★★\n３回目のご案内です。"_s));
    p.setText(u"Text15"_s, u"３回目のご案内"_s);
    p.setText(u"Text21"_s, sink.server());
    p.setText(u"Text22"_s, u"shop@example.jp"_s);
    QTest::mouseClick(p.find<QPushButton>(u"Command4"_s), Qt::LeftButton);
    QList<GuestRecord> guests;
    for (const auto& [family, address] : {std::pair{u"山田"_s, u"hanako@example.jp"_s},
                                          std::pair{u"川口"_s, u"refused@example.jp"_s},
                                          std::pair{u"佐藤"_s, u"ichiro@example.jp"_s}}) {
        GuestRecord guest = deliveringGuest(family, u"様子"_s, address);
        guest.third = u"2005/02/09"_s;
        guest.mail3 = 1;
        guests << guest;
    }
    writeList(p.listPath, guests);
    p.send.setSendList(*scanDueGuests(p.listPath, p.clock.today()));

    p.send.startupPrompt();

    const QList<QJsonObject> mails = sink.received();
    ASSERT_EQ(mails.size(), 2);
    EXPECT_EQ(mails[0][u"to"_s].toString(), u"hanako@example.jp"_s);
    EXPECT_EQ(mails[0][u"subject"_s].toString(), u"３回目のご案内"_s);
    EXPECT_TRUE(mails[0][u"body"_s].toString().startsWith(u"山田様\r\n３回目のご案内です。\r\n2005/02/09 9:00:00"_s))
        << mails[0][u"body"_s].toString().toStdString();
    EXPECT_EQ(mails[1][u"to"_s].toString(), u"ichiro@example.jp"_s);
    EXPECT_EQ(p.control.ends, 0);
    EXPECT_EQ(p.logNames().size(), 2);
    ASSERT_EQ(p.prompts.asked.size(), 2);
    EXPECT_TRUE(p.prompts.asked[1].text.contains(u"川口様子"_s));
}
