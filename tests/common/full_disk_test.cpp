// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/campaign_settings.h"
#include "delivery/mail_text.h"
#include "delivery/send_log.h"
#include "delivery/send_plan.h"
#include "delivery/send_store.h"
#include "exchange/csv_export.h"
#include "exchange/csv_import.h"
#include "lists/list_file.h"
#include "printing/print_ini.h"
#include "recording_transport.h"
#include "test_support.h"

#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>

namespace {

const QString kDiskFull = u"ディスクの空き容量が不足しています"_s;

// A small file system of its own, filled to its last page once the test has laid out its files.
class FullDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (geteuid() != 0)
            GTEST_SKIP() << "Not root: cannot mount the small tmpfs this test fills.";
        ASSERT_TRUE(dir_.isValid());
        if (mount("tmpfs", mountPoint().constData(), "tmpfs", 0, "size=256k") != 0)
            GTEST_SKIP() << "Cannot mount a tmpfs here: " << std::strerror(errno);
        mounted_ = true;
    }

    void TearDown() override
    {
        if (mounted_) {
            EXPECT_EQ(umount(mountPoint().constData()), 0) << std::strerror(errno);
        }
    }

    QString path(const QString& name) const { return dir_.filePath(name); }

    void fill()
    {
        QFile filler(path(u"filler"_s));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray page(4096, 'x');
        while (filler.write(page) == page.size()) {
        }
    }

    // Every file but the filler, with its bytes: old files unchanged, nothing left behind.
    QMap<QString, QByteArray> files() const
    {
        QMap<QString, QByteArray> found;
        QDirIterator it(dir_.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            if (it.fileName() != u"filler")
                found.insert(file, readBytes(file));
        }
        return found;
    }

private:
    QByteArray mountPoint() const { return QFile::encodeName(dir_.path()); }

    QTemporaryDir dir_;
    bool mounted_ = false;
};

template <typename T>
void expectDiskFull(const Result<T>& result, const char* writer)
{
    ASSERT_FALSE(result) << writer << " reported success";
    EXPECT_TRUE(result.error().message.contains(kDiskFull)) << writer << ": " << result.error().message.toStdString();
}

TEST_F(FullDisk, EveryWriterReportsTheReasonAndKeepsTheOldFiles)
{
    const QString list = path(u"guestlst.lst"_s);
    const QString csv = path(u"exchange.csv"_s);
    const QString config = path(u"config.ini"_s);
    const QString printIni = path(u"Print.ini"_s);
    const QString text = path(u"text/first.txt"_s);
    const QString logDir = path(u"log"_s);
    QList<GuestRecord> eleven;
    for (int i = 1; i <= 11; ++i)
        eleven.append(makeGuest(u"山田"_s, QString::number(i)));
    writeList(list, eleven);
    writeList(path(u"other.lst"_s), {makeGuest(u"佐藤"_s), makeGuest(u"鈴木"_s)});
    ASSERT_TRUE(exportList(path(u"other.lst"_s), csv));
    CampaignSettings settings;
    settings.smtpServer = u"mail.example.jp"_s;
    ASSERT_TRUE(writeCampaignSettings(config, settings));
    ASSERT_TRUE(savePrintSettings(printIni, PrintSettings{}));
    ASSERT_TRUE(QDir().mkpath(path(u"text"_s)) && QDir().mkpath(logDir));
    ASSERT_TRUE(writeMailText(text, u"以前の文面"_s));
    const QMap<QString, QByteArray> before = files();
    ASSERT_EQ(before.value(list).size(), 11 * 346);
    fill();

    expectDiskFull(importList(csv, list), "CSV import");
    expectDiskFull(exportList(list, csv), "CSV export");
    settings.sender = u"info@example.jp"_s;
    expectDiskFull(writeCampaignSettings(config, settings), "config.ini");
    expectDiskFull(savePrintSettings(printIni, PrintSettings{1, 2, 3, 4, 5, 6, 7, 8, 9}), "Print.ini");
    expectDiskFull(writeMailText(text, u"新しい文面"_s), "mail text");
    expectDiskFull(writeSendLog(logDir, QDate(2024, 5, 1), u"山田"_s, u"本文"_s), "send log");
    // Record 12 would end past the list's last page: the new guest needs room the disk lacks.
    expectDiskFull(WriteGuestRecord(list, 12, makeGuest(u"新規"_s)), "new record");
    const QMap<QString, QByteArray> after = files();
    EXPECT_TRUE(after.keys() == before.keys()) << "files now: " << after.keys().join(u", ").toStdString();
    for (auto file = before.begin(); file != before.end(); ++file)
        EXPECT_TRUE(after.value(file.key()) == file.value())
            << file.key().toStdString() << ": " << file.value().size() << " bytes became " << after.value(file.key()).size();
}

// The disk fills while a mail is out: its outcome cannot be written, the run
// stops saying why, and once there is room again the mail counts as uncertain,
// is not sent again, and the rest go once.
TEST_F(FullDisk, SendRecordThatCannotBeWrittenStopsTheRunAndNothingGoesTwiceOnceThereIsRoom)
{
    ASSERT_TRUE(QDir().mkpath(path(u"text"_s)) && QDir().mkpath(path(u"log"_s)));
    const QDateTime now(QDate(2026, 12, 9), QTime(9, 0));
    QList<GuestRecord> guests;
    for (const QString& name : {u"a"_s, u"b"_s}) {
        GuestRecord guest = makeGuest(u"山田"_s, name);
        guest.birthday = u"1970/01/01"_s;
        guest.address = name + u"@example.jp"_s;
        guest.fast = dateText(now.date());
        guest.mail1 = 1;
        guests << guest;
    }
    writeList(path(u"guestlst.lst"_s), guests);
    CampaignSettings settings;
    settings.smtpServer = u"mail.example.jp"_s;
    settings.sender = u"shop@example.jp"_s;
    settings.subjects[1] = u"初回"_s;
    settings.textFiles[1] = path(u"text/first.txt"_s);
    ASSERT_TRUE(writeMailText(settings.textFiles[1], u"★★★ へ"_s));
    SmtpSettings smtp;
    smtp.pauseSeconds = 0;
    FakeClock clock(now);
    RecordingTransport transport;
    bool filled = false;
    transport.onSend = [&](const OutgoingMail&) {
        if (!std::exchange(filled, true))
            fill();
    };
    const auto runNow = [&] {
        const auto plan = planSends(path(u""_s), path(u"guestlst.lst"_s), path(u"send.lock"_s), clock.now(), smtp);
        EXPECT_TRUE(plan) << plan.error().message.toStdString();
        RunSummary summary;
        SendRun run(transport, clock);
        QObject::connect(&run, &SendRun::finished, [&](const RunSummary& s) { summary = s; });
        run.run({path(u"guestlst.lst"_s), path(u"log"_s), settings, std::nullopt, plan ? plan->lines() : QList<DueEntry>(),
                 MailKind::Step, path(u""_s), path(u"send.lock"_s), smtp});
        return summary;
    };

    const RunSummary full = runNow();
    ASSERT_TRUE(full.stop);
    EXPECT_TRUE(full.stop->message.contains(kDiskFull)) << full.stop->message.toStdString();
    ASSERT_EQ(transport.sent.size(), 1);

    ASSERT_TRUE(QFile::remove(path(u"filler"_s)));
    runNow();
    runNow();
    ASSERT_EQ(transport.sent.size(), 2);
    EXPECT_EQ(transport.sent[0].to, u"a@example.jp"_s);
    EXPECT_EQ(transport.sent[1].to, u"b@example.jp"_s);
    auto store = SendStore::open(path(u""_s));
    ASSERT_TRUE(store);
    const auto first = (*store)->stepMail({u"guestlst.lst"_s, 1, u"a@example.jp"_s, 1, now.date()});
    ASSERT_TRUE(first && *first);
    EXPECT_EQ((**first).state, MailState::Uncertain);
}

} // namespace
