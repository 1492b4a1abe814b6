// SPDX-License-Identifier: GPL-3.0-or-later
// Times the whole-list operations at the largest list the program supports,
// through the window's own handlers where the operator works in the window.
// Exits with 2 when an operation misses its target.
#include "app/form1.h"
#include "app/send_due.h"
#include "common/clock.h"
#include "common/operator_prompts.h"
#include "delivery/campaign_settings.h"
#include "delivery/guest_lookup.h"
#include "lists/ui/guest_finder.h"
#include "smtp/mail_transport.h"
#include "delivery/send_store.h"
#include "delivery/send_timer.h"
#include "delivery/ui/send_history_view.h"
#include "lists/list_file.h"
#include "printing/print_surface.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kGuests = 32767;
constexpr int kRuns = 7;
constexpr int kRegisterTab = 1;
constexpr int kPrintTab = 2;
const char* const kPeakMemoryFlag = "--peak-memory";
const char* const kHeadlessFlag = "--headless";

[[noreturn]] void die(const QString& why)
{
    std::fprintf(stderr, "%s\n", qPrintable(why));
    std::exit(1);
}

// Answers the list dialog with the generated list, confirms export and import,
// and says "No" to sending at start-up. A message that only informs means an
// operation failed: the bench stops with its text.
class BenchPrompts : public OperatorPrompts {
public:
    explicit BenchPrompts(QString list) : list_(std::move(list)) {}
    PromptAnswer message(const QString& title, const QString& text, PromptIcon, PromptButtons buttons) override
    {
        if (buttons == PromptButtons::Ok)
            die(title + u'\n' + text);
        return buttons == PromptButtons::OkCancel ? PromptAnswer::Ok : PromptAnswer::No;
    }
    QString openFile(const QString&, const QString&, const QString&) override { return list_; }
    QString saveFile(const QString&, const QString&, const QString&) override { return {}; }

private:
    QString list_;
};

class NoTransport : public MailTransport {
public:
    Result<void> send(const OutgoingMail&) override { return fail(ErrorKind::Transfer, QStringLiteral("bench")); }
    Result<QString> testConnection(const QString&, const SmtpSettings&) override
    {
        return fail(ErrorKind::ConnectFailed, QStringLiteral("bench"));
    }
};

class NoPrinter : public PrintSurfaceFactory {
public:
    std::unique_ptr<PrintSurface> create() override { return nullptr; }
};

// The window as main() builds it, with answers instead of dialogs.
class BenchWindow {
public:
    BenchWindow(const ProgramDir& dir, const QString& list)
        : prompts_(list), timer_(dir.root()), window_(dir, Seams{clock_, prompts_, transport_, printing_, timer_})
    {
    }
    Form1& operator*() { return window_; }
    Form1* operator->() { return &window_; }

private:
    SystemClock clock_;
    BenchPrompts prompts_;
    NoTransport transport_;
    NoPrinter printing_;
    SendTimer timer_;
    Form1 window_;
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

// A year of the list's mails in the send record, eight a guest (262,136 rows),
// every step dated up to today among them: a run finds nothing due.
void writeYearOfHistory(const ProgramDir& dir, const QDate& today)
{
    auto store = SendStore::open(dir.root());
    if (!store)
        die(store.error().message);
    QList<StoredMail> mails;
    mails.reserve(kGuests * kStepCount);
    for (int i = 0; i < kGuests; ++i) {
        const GuestRecord guest = generatedGuest(i, today);
        for (int step = 0; step < kStepCount; ++step) {
            QDate due = step == 0 ? today.addDays(-365 + i % 300) : *dateFromText(stepDate(guest, step));
            if (due > today)
                due = due.addDays(-365);
            StoredMail mail;
            mail.key = {u"guestlst.lst"_s, i + 1, mailAddressOf(guest), step, due};
            mail.name = displayName(guest);
            mail.state = i % 50 == 0 ? MailState::Refused : MailState::Sent;
            mail.lastTry = QDateTime(due, QTime(9, 0));
            mail.reply = mail.state == MailState::Refused ? u"550 5.1.1 unknown user"_s : QString();
            mails.append(mail);
        }
    }
    if (auto written = (*store)->recordMails(mails, QDateTime::currentDateTime()); !written)
        die(written.error().message);
}

// Paints and lays out what the operation changed, as the operator sees it.
void settle()
{
    QApplication::processEvents();
    QApplication::processEvents();
}

void waitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The search box of the entry tab: from one more typed character to the list
// of matching guests, over queries that match many guests and few.
double searchMs(Form1& window)
{
    auto* finder = window.findChild<GuestFinder*>(u"guestFinder"_s);
    auto* box = window.findChild<QLineEdit*>(u"findBox"_s);
    auto* results = window.findChild<QTreeWidget*>(u"findResults"_s);
    finder->open();
    const QStringList queries{u"山田 花子"_s, u"guest3276"_s, u"ｻﾝﾌﾟﾙ4"_s, u"梅田3丁目"_s, u"03-1234-56"_s};
    QList<double> keys;
    QElapsedTimer timer;
    for (int run = 0; run < kRuns; ++run) {
        for (const QString& query : queries) {
            box->clear();
            for (const QChar c : query) {
                QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
                timer.restart();
                QApplication::sendEvent(box, &key);
                keys.append(timer.nsecsElapsed() / 1e6);
            }
            if (results->topLevelItemCount() == 0)
                die(u"search for %1 found nobody"_s.arg(query));
        }
    }
    return median(keys);
}

// Median over kRuns of `run` with settle(); `prepare` runs untimed before each.
double medianMs(const std::function<void()>& run, const std::function<void()>& prepare = [] {})
{
    QList<double> times;
    for (int i = 0; i < kRuns; ++i) {
        prepare();
        settle();
        QElapsedTimer timer;
        timer.start();
        run();
        settle();
        times.append(timer.nsecsElapsed() / 1e6);
    }
    return median(times);
}

template <typename T>
T* widget(Form1& window, const char* name)
{
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        die(u"no %1 in the window"_s.arg(QString::fromLatin1(name)));
    return found;
}

int shownGuestCount(Form1& window) { return widget<QLabel>(window, "Label23")->text().toInt(); }

double floorMs(const QString& list)
{
    return medianMs([&] {
        const auto guests = readGuestList(list, EndTest::ZeroProbe, &GuestRecord::birthday);
        if (!guests || guests->size() != kGuests)
            die(u"read %1 guests, expected %2"_s.arg(guests ? guests->size() : -1).arg(kGuests));
    });
}

double startupLoadMs(Form1& window)
{
    const double ms = medianMs([&] { window.LoadCurrentList(); });
    if (shownGuestCount(window) != kGuests)
        die(u"the load counted %1 guests"_s.arg(shownGuestCount(window)));
    waitMs(2200); // the splash goes away, as it does for the operator
    return ms;
}

// The entry tab, record 1 shown and its nickname changed before each click.
double recordUpdateMs(Form1& window)
{
    auto* tabs = widget<QTabWidget>(window, "TabStrip1");
    auto* nickname = widget<QLineEdit>(window, "Text1(2)");
    auto* update = widget<QAbstractButton>(window, "Command5");
    int run = 0;
    return medianMs([&] { update->click(); },
                    [&] {
                        tabs->setCurrentIndex(kRegisterTab);
                        nickname->setText(u"更新%1"_s.arg(++run));
                    });
}

double nextRecordMs(Form1& window)
{
    auto* next = widget<QAbstractButton>(window, "UpDown1.up");
    auto* number = widget<QLabel>(window, "Label13");
    const int first = number->text().toInt();
    const double ms = medianMs([&] { next->click(); });
    if (number->text().toInt() != first + kRuns)
        die(u"the arrow went from record %1 to %2"_s.arg(first).arg(number->text()));
    return ms;
}

double printingTabMs(Form1& window)
{
    auto* tabs = widget<QTabWidget>(window, "TabStrip1");
    return medianMs([&] { tabs->setCurrentIndex(kPrintTab); }, [&] { tabs->setCurrentIndex(kRegisterTab); });
}

double csvExportMs(Form1& window, const QString& csv)
{
    auto* exportAction = widget<QAction>(window, "mnuExport");
    const double ms = medianMs([&] { exportAction->trigger(); }, [&] { QFile::remove(csv); });
    if (!QFile::exists(csv))
        die(u"the export wrote no %1"_s.arg(csv));
    return ms;
}

double csvImportMs(Form1& window)
{
    auto* importAction = widget<QAction>(window, "mnuImport");
    auto* count = widget<QLabel>(window, "Label23");
    const double ms = medianMs([&] { importAction->trigger(); }, [&] { count->clear(); });
    if (shownGuestCount(window) != kGuests)
        die(u"the import counted %1 guests"_s.arg(shownGuestCount(window)));
    return ms;
}

double dueScanMs(const QString& list)
{
    return medianMs([&] {
        const auto due = scanDueGuests(list, QDate::currentDate());
        if (!due || due->isEmpty())
            die(u"the due scan found nobody"_s);
    });
}

double guestHistoryMs(const ProgramDir& dir, const QString& list)
{
    SendHistoryView history(dir.root());
    int record = 1000;
    const double ms = medianMs([&] { history.showGuest(list, ++record); });
    if (history.rowCount() != kStepCount)
        die(u"the history of guest %1 has %2 rows"_s.arg(record).arg(history.rowCount()));
    return ms;
}

// VmHWM of this process, in MB.
double peakResidentMb()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        die(u"cannot read /proc/self/status"_s);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    die(u"no VmHWM in /proc/self/status"_s);
}

// A fresh process of this program: the window as main() builds it, shown, the
// list loaded, then the entry and printing tabs shown once. Prints VmHWM.
int reportPeakMemory(const QString& home)
{
    const ProgramDir dir(home);
    BenchWindow window(dir, dir.defaultList());
    window->show();
    settle();
    window->LoadCurrentList();
    settle();
    auto* tabs = widget<QTabWidget>(*window, "TabStrip1");
    tabs->setCurrentIndex(kRegisterTab);
    settle();
    tabs->setCurrentIndex(kPrintTab);
    settle();
    std::printf("%.1f\n", peakResidentMb());
    return 0;
}

double peakMemoryMb(const QString& home)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kPeakMemoryFlag), home});
    if (!child.waitForFinished(60000) || child.exitCode() != 0)
        die(u"the memory probe failed: %1"_s.arg(QString::fromLocal8Bit(child.readAllStandardError())));
    return child.readAllStandardOutput().trimmed().toDouble();
}

// The daily run as the timer starts it, in a process of its own: how long it
// takes with nothing due, and its VmHWM.
std::pair<double, double> headlessRun(const QString& home)
{
    QList<double> times;
    double peak = 0;
    for (int run = 0; run < 3; ++run) {
        QProcess child;
        QElapsedTimer timer;
        timer.start();
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kHeadlessFlag), home});
        if (!child.waitForFinished(60000) || child.exitCode() != 0)
            die(u"the headless run failed: %1%2"_s.arg(QString::fromLocal8Bit(child.readAllStandardOutput()),
                                                       QString::fromLocal8Bit(child.readAllStandardError())));
        times.append(timer.nsecsElapsed() / 1e6);
        const QByteArray out = child.readAllStandardOutput();
        if (!out.contains("送信済み 0 件"))
            die(u"the headless run sent something: %1"_s.arg(QString::fromUtf8(out)));
        peak = std::max(peak, child.readAllStandardError().trimmed().split('\n').last().toDouble());
    }
    return {median(times), peak};
}

int runHeadless(int argc, char** argv)
{
    CommandLine line;
    line.mode = CommandLine::Mode::SendDue;
    line.home = QString::fromLocal8Bit(argv[2]);
    CurlMailTransport transport;
    const int status = sendDue(argc, argv, line, transport);
    std::fprintf(stderr, "\n%.1f\n", peakResidentMb());
    return status;
}

struct Line {
    QString operation;
    double measured;
    double target;
    QString unit;
};

bool report(const QList<Line>& lines, double floor)
{
    bool allMet = true;
    std::printf("%s %10s %8s %10s\n", qPrintable(u"operation at 32767 guests"_s.leftJustified(40)), "median",
                "x floor", "target");
    for (const Line& line : lines) {
        const bool met = line.measured < line.target;
        allMet = allMet && met;
        const QString ratio = line.unit == u"ms"_s ? QString::number(line.measured / floor, 'f', 1) : u"-"_s;
        std::printf("%s %7.1f %-2s %8s %7.0f %-2s %s\n", qPrintable(line.operation.leftJustified(40)), line.measured,
                    qPrintable(line.unit), qPrintable(ratio), line.target, qPrintable(line.unit),
                    met ? "ok" : "MISSED");
    }
    return allMet;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && qstrcmp(argv[1], kPeakMemoryFlag) == 0) {
        QApplication app(argc, argv);
        return reportPeakMemory(QString::fromLocal8Bit(argv[2]));
    }
    if (argc == 3 && qstrcmp(argv[1], kHeadlessFlag) == 0)
        return runHeadless(argc, argv);

    QTemporaryDir home;
    const auto dir = prepareProgramDir(home.path());
    if (!dir)
        die(dir.error().message);
    QApplication app(argc, argv);
    const QDate today = QDate::currentDate();
    QByteArray bytes;
    for (int i = 0; i < kGuests; ++i)
        bytes += encodeGuestRecord(generatedGuest(i, today));
    const QString list = dir->defaultList();
    if (!replaceListFile(list, bytes))
        die(u"cannot write %1"_s.arg(list));
    writeYearOfHistory(*dir, today);
    // A server the headless run would reach if it found anything to send.
    const auto written = writeCampaignSettings(dir->config(), [] {
        CampaignSettings settings;
        settings.smtpServer = u"127.0.0.1:1"_s;
        settings.sender = u"shop@example.jp"_s;
        return settings;
    }());
    if (!written)
        die(written.error().message);

    BenchWindow window(*dir, list);
    window->show();
    settle();

    QList<Line> lines;
    lines.append({u"start-up load"_s, startupLoadMs(*window), 150, u"ms"_s});
    lines.append({u"レコード更新 (save, keyword lists)"_s, recordUpdateMs(*window), 150, u"ms"_s});
    lines.append({u"arrow to the next record"_s, nextRecordMs(*window), 50, u"ms"_s});
    lines.append({u"printing tab shown (ShowDataList)"_s, printingTabMs(*window), 200, u"ms"_s});
    lines.append({u"CSV export"_s, csvExportMs(*window, dir->exchangeCsv()), 400, u"ms"_s});
    lines.append({u"CSV import"_s, csvImportMs(*window), 400, u"ms"_s});
    lines.append({u"due scan alone"_s, dueScanMs(list), 60, u"ms"_s});
    lines.append({u"search box: results after one more typed character"_s, searchMs(*window), 30, u"ms"_s});
    lines.append({u"peak resident memory, list loaded"_s, peakMemoryMb(home.path()), 150, u"MB"_s});
    lines.append({u"send history of one guest"_s, guestHistoryMs(*dir, list), 20, u"ms"_s});
    const auto [headlessMs, headlessMb] = headlessRun(home.path());
    lines.append({u"headless run, nothing due"_s, headlessMs, 1000, u"ms"_s});
    lines.append({u"peak resident memory, headless run"_s, headlessMb, 150, u"MB"_s});
    // Last, so that it meets the heap as the operations did.
    const double floor = floorMs(list);

    std::printf("guests: %d (%lld bytes); send record: a year, %d mails\n", kGuests, qlonglong(bytes.size()),
                kGuests * kStepCount);
    std::printf("floor, one read and decode of the list: median %.1f ms (runs: %d)\n\n", floor, kRuns);
    return report(lines, floor) ? 0 : 2;
}
