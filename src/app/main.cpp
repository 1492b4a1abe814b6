#include "app/form1.h"
#include "app/qt_operator_prompts.h"
#include "app/send_due.h"
#include "common/clock.h"
#include "common/program_dir.h"
#include "delivery/mail_transport.h"
#include "printing/ui/qt_print_surface.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

int main(int argc, char** argv)
{
    // The daily run builds no window and needs no display.
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--send-due") == 0)
            return sendDue(argc, argv);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ladderpost"));
    // Lets the desktop tie the window to the installed menu entry and its icon.
    QApplication::setDesktopFileName(QStringLiteral("org.ladderpost.Ladderpost"));
    // Qt's own dialogs and buttons speak the program's language, whatever the desktop's.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption home(QStringLiteral("home"), QStringLiteral("Program folder (lists, settings, texts, logs)."),
                                  QStringLiteral("DIR"), defaultProgramRoot());
    parser.addOption(home);
    parser.addOption({QStringLiteral("send-due"), QStringLiteral("Send today's due mails without a window, then end (see README).")});
    parser.process(app);

    auto dir = prepareProgramDir(parser.value(home));
    if (!dir) {
        QMessageBox::critical(nullptr, messageTitle(QStringLiteral("　起動エラー　")), dir.error().message);
        return 1;
    }

    SystemClock clock;
    QtOperatorPrompts prompts;
    CurlMailTransport transport;
    QtPrintSurfaceFactory printing(dir->printDir(), prompts);
    Form1 window(*dir, Seams{clock, prompts, transport, printing});
    window.show();
    window.LoadCurrentList();
    return app.exec();
}
