#include "delivery/campaign_settings.h"
#include "delivery/mail_text.h"
#include "delivery/send_log.h"
#include "exchange/csv_export.h"
#include "exchange/csv_import.h"
#include "lists/list_file.h"
#include "printing/print_ini.h"
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

} // namespace
