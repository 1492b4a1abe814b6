// Times the start-up load of the largest list the program supports.
#include "app/form1.h"
#include "common/clock.h"
#include "common/operator_prompts.h"
#include "lists/ui/guest_finder.h"
#include "delivery/mail_transport.h"
#include "lists/list_file.h"
#include "printing/print_surface.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;
#include <cstdio>

namespace {

constexpr int kGuests = 32767;
constexpr int kRuns = 7;

// Answers the list dialog with the generated list and "No" to the start-up prompt.
class BenchPrompts : public OperatorPrompts {
public:
    explicit BenchPrompts(QString list) : list_(std::move(list)) {}
    PromptAnswer message(const QString&, const QString&, PromptIcon, PromptButtons) override { return PromptAnswer::No; }
    QString openFile(const QString&, const QString&, const QString&) override { return list_; }
    QString saveFile(const QString&, const QString&, const QString&) override { return {}; }

private:
    QString list_;
};

class NoTransport : public MailTransport {
public:
    Result<void> send(const OutgoingMail&) override { return fail(ErrorKind::Transfer, QStringLiteral("bench")); }
};

class NoPrinter : public PrintSurfaceFactory {
public:
    std::unique_ptr<PrintSurface> create() override { return nullptr; }
};

GuestRecord generatedGuest(int i, const QDate& today)
{
    static const QStringList families{u"山田"_s, u"佐藤"_s, u"鈴木"_s, u"高橋"_s, u"田中"_s, u"伊藤"_s,
                                      u"渡辺"_s, u"中村"_s, u"小林"_s, u"加藤"_s};
    static const QStringList givens{u"花子"_s, u"太郎"_s, u"一郎"_s, u"美咲"_s, u"健太"_s, u"陽子"_s, u"翔"_s};
    static const QStringList towns{u"東京都千代田区丸の内"_s, u"大阪府大阪市北区梅田"_s, u"愛知県名古屋市中区栄"_s,
                                   u"福岡県福岡市博多区"_s, u"北海道札幌市中央区"_s};
    GuestRecord g;
    g.fName = families[i % families.size()];
    g.sName = givens[(i / 7) % givens.size()];
    g.hName = QStringLiteral("ニック%1").arg(i);
    g.birthday = dateText(QDate(1950 + i % 50, 1 + i % 12, 1 + i % 28));
    QString* steps[] = {&g.fast, &g.second, &g.third, &g.fourth, &g.fifth, &g.sixth, &g.seventh};
    for (int s = 0; s < 7; ++s)
        *steps[s] = dateText(today.addDays((i + s * 7) % 60 - 30));
    g.soushin = i % 10 == 0 ? QStringLiteral("停止済") : QStringLiteral("配信中");
    g.shiryou = QStringLiteral("送付済");
    g.address = QStringLiteral("guest%1@example.jp").arg(i);
    g.keisyou = QStringLiteral("様");
    g.mail1 = g.mail3 = 1;
    g.CoName = QStringLiteral("株式会社サンプル%1").arg(i % 500);
    g.Post = QStringLiteral("100-%1").arg(i % 10000, 4, 10, QChar(u'0'));
    g.jyusyo = towns[i % towns.size()] + QStringLiteral("%1丁目%2番").arg(1 + i % 9).arg(1 + i % 30);
    g.TEL = QStringLiteral("03-1234-%1").arg(i % 10000, 4, 10, QChar(u'0'));
    g.FAX = g.TEL;
    return g;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The search box of the entry tab: from one more typed character to the list
// of matching guests, over queries that match many guests and few.
bool benchSearch(Form1& window, double floorMs)
{
    constexpr double kTargetMs = 30.0;
    auto* finder = window.findChild<GuestFinder*>(u"guestFinder"_s);
    auto* box = window.findChild<QLineEdit*>(u"findBox"_s);
    auto* results = window.findChild<QTreeWidget*>(u"findResults"_s);
    QElapsedTimer timer;
    timer.start();
    finder->open();
    const double openMs = timer.nsecsElapsed() / 1e6;
    const QStringList queries{u"山田 花子"_s, u"guest3276"_s, u"ｻﾝﾌﾟﾙ4"_s, u"梅田3丁目"_s, u"03-1234-56"_s};
    QList<double> keys;
    for (int run = 0; run < kRuns; ++run) {
        for (const QString& query : queries) {
            box->clear();
            for (const QChar c : query) {
                QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
                timer.restart();
                QApplication::sendEvent(box, &key);
                keys.append(timer.nsecsElapsed() / 1e6);
            }
            if (results->topLevelItemCount() == 0) {
                std::fprintf(stderr, "search for %s found nobody\n", qPrintable(query));
                return false;
            }
        }
    }
    std::printf("search box opened (one read of the list): %.1f ms\n", openMs);
    std::printf("search box, results after one more typed character: median %.1f ms (%.2f x the read), "
                "slowest %.1f ms (target < %.0f ms)\n",
                median(keys), median(keys) / floorMs, *std::max_element(keys.begin(), keys.end()), kTargetMs);
    return median(keys) < kTargetMs;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir home;
    const ProgramDir dir(home.path());
    const QDate today = QDate::currentDate();

    QByteArray bytes;
    for (int i = 0; i < kGuests; ++i)
        bytes += encodeGuestRecord(generatedGuest(i, today));
    const QString list = dir.defaultList();
    if (!replaceListFile(list, bytes)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(list));
        return 1;
    }

    SystemClock clock;
    BenchPrompts prompts(list);
    NoTransport transport;
    NoPrinter printing;
    Form1 window(dir, Seams{clock, prompts, transport, printing});

    QList<double> loads;
    QList<double> reads;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        const auto guests = readGuestList(list, EndTest::ZeroProbe, &GuestRecord::birthday);
        reads.append(timer.nsecsElapsed() / 1e6);
        if (!guests || guests->size() != kGuests) {
            std::fprintf(stderr, "read %lld guests, expected %d\n", guests ? qlonglong(guests->size()) : -1LL, kGuests);
            return 1;
        }
        timer.restart();
        window.LoadCurrentList();
        loads.append(timer.nsecsElapsed() / 1e6);
    }
    std::printf("guests: %d (%lld bytes)\n", kGuests, qlonglong(bytes.size()));
    std::printf("plain read and decode of the list: median %.1f ms\n", median(reads));
    std::printf("start-up load (LoadCurrentList without dialogs): median %.1f ms (target < 400 ms)\n", median(loads));
    if (!benchSearch(window, median(reads)))
        return 3;
    return median(loads) < 400.0 ? 0 : 2;
}
