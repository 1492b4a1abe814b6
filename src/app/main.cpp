// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/check_mailbox.h"
#include "app/command_line.h"
#include "app/form1.h"
#include "app/qt_operator_prompts.h"
#include "app/send_due.h"
#include "app/sign_in.h"
#include "app/single_window.h"
#include "common/clock.h"
#include "common/program_dir.h"
#include "smtp/mail_transport.h"
#include "delivery/send_timer.h"
#include "printing/ui/qt_print_surface.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include <cstdio>
#include <sys/stat.h>

int main(int argc, char** argv)
{
    // The folder holds customers' names and addresses: nothing made in it is open to others,
    // whatever umask the desktop or the timer gives.
    ::umask(077);
    // Read before anything needs a display: --help, --version and a wrong option answer without one.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const auto line = parseCommandLine(arguments);
    if (!line) {
        std::fprintf(stderr, "ladderpost: %s\n", qPrintable(line.error().message));
        return 2;
    }
    switch (line->mode) {
    case CommandLine::Mode::Help:
        std::fputs(qPrintable(line->helpText), stdout);
        return 0;
    case CommandLine::Mode::Version:
        std::printf("ladderpost %s\n", LADDERPOST_VERSION);
        return 0;
    case CommandLine::Mode::SendDue: {
        CurlMailTransport transport;
        return sendDue(argc, argv, *line, transport);
    }
    case CommandLine::Mode::CheckMailbox:
        return checkMailboxCommand(argc, argv, *line);
    case CommandLine::Mode::SignIn:
        return signIn(argc, argv, *line);
    case CommandLine::Mode::Window:
        break;
    }
    // Outlives the application object, whose end waits for a connection test still using it.
    CurlMailTransport transport;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ladderpost"));
    // Lets the desktop tie the window to the installed menu entry and its icon.
    QApplication::setDesktopFileName(QStringLiteral("org.ladderpost.Ladderpost"));
    // Qt's own dialogs and buttons speak the program's language, whatever the desktop's.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    auto dir = prepareProgramDir(line->home);
    if (!dir) {
        QMessageBox::critical(nullptr, messageTitle(QStringLiteral("　起動エラー　")), dir.error().message);
        return 1;
    }
    SingleWindow single(dir->root());
    if (!single.claim())
        return 0; // the window already open on this folder comes to the front instead

    SystemClock clock;
    QtOperatorPrompts prompts;
    QtPrintSurfaceFactory printing(dir->printDir(), prompts);
    SendTimer timer(dir->root());
    Form1 window(*dir, Seams{clock, prompts, transport, printing, timer});
    QObject::connect(&single, &SingleWindow::raiseRequested, &window, [&window] {
        window.showNormal();
        window.raise();
        window.activateWindow();
    });
    window.show();
    window.LoadCurrentList();
    return app.exec();
}
