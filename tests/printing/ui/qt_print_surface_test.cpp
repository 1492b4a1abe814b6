// SPDX-License-Identifier: GPL-3.0-or-later
#include "lists/guest_record.h"
#include "printing/label_layout.h"
#include "printing/ui/qt_print_surface.h"
#include "test_support.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;

struct Word {
    double xMin, yMin;
    QString text;
};

// Every word of the PDF with its top-left corner in millimetres, by pdftotext -bbox.
QList<Word> pdfWords(const QString& pdf)
{
    QProcess run;
    run.start(u"pdftotext"_s, {u"-bbox"_s, pdf, u"-"_s});
    run.waitForFinished();
    const QString html = QString::fromUtf8(run.readAllStandardOutput());
    static const QRegularExpression word(
        uR"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="[\d.]+">([^<]*)</word>)re"_s);
    QList<Word> words;
    for (const auto& m : word.globalMatch(html))
        words.append({m.captured(1).toDouble() / kPointsPerMm, m.captured(2).toDouble() / kPointsPerMm,
                      m.captured(3)});
    return words;
}

GuestRecord addressed(const QString& family, const QString& post)
{
    GuestRecord guest = makeGuest(family, u"太郎"_s);
    guest.Post = post;
    guest.jyusyo = u"東京都千代田区"_s;
    return guest;
}

TEST(PdfPrintout, PostalLinesStandWhereTheLayoutPutsThem)
{
    if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    TestHome home;
    const QString list = home.path(u"guestlst.lst"_s);
    writeList(list, {addressed(u"山田"_s, u"123-4567"_s), addressed(u"佐藤"_s, u"765-4321"_s)});
    const QString pdf = home.path(u"labels.pdf"_s);
    QtPrintSurface surface(pdf, nullptr);
    const auto printed = PrintTackLabels(list, chooseRecords(u"ALL"_s, 2), 0, PrintSettings{}, surface);
    ASSERT_TRUE(printed) << printed.error().message.toStdString();

    const QList<Word> words = pdfWords(pdf);
    const QPointF expected[] = {{10, 15}, {110, 15}};
    const QString posts[] = {u"123-4567"_s, u"765-4321"_s};
    for (int i = 0; i < 2; ++i) {
        auto found = std::find_if(words.begin(), words.end(),
                                  [&](const Word& w) { return w.text.startsWith(u"〒") && w.text.contains(posts[i]); });
        ASSERT_NE(found, words.end()) << posts[i].toStdString();
        EXPECT_NEAR(found->xMin, expected[i].x(), 1.0);
        EXPECT_NEAR(found->yMin, expected[i].y(), 1.0);
    }
}

TEST(PdfPrintout, WholeA4SheetIsPrintable)
{
    TestHome home;
    QtPrintSurface surface(home.path(u"x.pdf"_s), nullptr);
    surface.setUp(PageOrientation::Portrait, 10);
    EXPECT_NEAR(surface.printableWidth(), 210, 0.5);
    EXPECT_NEAR(surface.printableHeight(), 297, 0.5);
    surface.setUp(PageOrientation::Landscape, 7);
    EXPECT_NEAR(surface.printableWidth(), 297, 0.5);
    EXPECT_NEAR(surface.printableHeight(), 210, 0.5);
    // 7 points are 2.47 mm; a line of text is somewhat taller than its size.
    EXPECT_GT(surface.textHeight(u"0"_s), 2.4);
    EXPECT_LT(surface.textHeight(u"0"_s), 4.5);
    EXPECT_GT(surface.textWidth(u"00"_s), surface.textWidth(u"0"_s));
}

// Labels count from the corner of what the printer can print, not from margins of Qt's
// own. Needs a default printer (CUPS with cups-pdf serves, see the README).
TEST(PrinterPrintout, PrintableAreaIsThePrinters)
{
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (printer.isNull())
        GTEST_SKIP() << "this machine has no printer";
    QPrinter probe(printer);
    probe.setPageSize(QPageSize(QPageSize::A4));
    QPageLayout printable = probe.pageLayout();
    printable.setMargins(printable.minimumMargins());
    QtPrintSurface surface(printer);
    surface.setUp(PageOrientation::Portrait, 10);
    EXPECT_NEAR(surface.printableWidth(), printable.paintRect(QPageLayout::Millimeter).width(), 0.1);
    EXPECT_NEAR(surface.printableHeight(), printable.paintRect(QPageLayout::Millimeter).height(), 0.1);
}

TEST(PdfPrintout, UnwritableFileIsReportedNotSwallowed)
{
    TestHome home;
    ScriptedPrompts prompts;
    QtPrintSurface surface(home.path(u"missing/dir/x.pdf"_s), &prompts);
    surface.setUp(PageOrientation::Portrait, 10);
    surface.printText(10, 10, u"〒"_s);
    EXPECT_FALSE(surface.endDocument());
    EXPECT_TRUE(prompts.asked.isEmpty());
}

TEST(PdfPrintout, WithoutPrinterFactoryWritesDatedPdfAndTellsWhere)
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        GTEST_SKIP() << "this machine has a printer";
    TestHome home;
    ScriptedPrompts prompts;
    const QString dir = home.path(u"print"_s);
    QtPrintSurfaceFactory factory(dir, prompts);
    auto surface = factory.create();
    surface->setUp(PageOrientation::Portrait, 10);
    surface->printText(10, 15, u"〒000-0000"_s);
    const auto written = surface->endDocument();
    ASSERT_TRUE(written);
    EXPECT_TRUE(written->startsWith(dir + u'/'));
    EXPECT_TRUE(QFileInfo(*written).size() > 0);
    EXPECT_TRUE(QFileInfo(*written).fileName().contains(QRegularExpression(u"^\\d{8}_\\d{6}(_\\d+)?\\.pdf$"_s)));
    ASSERT_EQ(prompts.asked.size(), 1);
    EXPECT_TRUE(prompts.asked[0].text.contains(*written));
}

TEST(PdfPrintout, FileNamesNeverOverwriteAnEarlierPrintout)
{
    TestHome home;
    const QDateTime moment(QDate(2024, 1, 31), QTime(9, 30, 5));
    const QString first = pdfFileName(home.root(), moment);
    EXPECT_EQ(QFileInfo(first).fileName(), u"20240131_093005.pdf"_s);
    writeBytes(first, "x");
    const QString second = pdfFileName(home.root(), moment);
    EXPECT_EQ(QFileInfo(second).fileName(), u"20240131_093005_2.pdf"_s);
}

} // namespace
