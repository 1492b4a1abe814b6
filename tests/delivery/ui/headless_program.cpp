// SPDX-License-Identifier: GPL-3.0-or-later
#include "headless_program.h"

using namespace Qt::Literals::StringLiterals;

QProcessEnvironment withoutDisplay()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(u"DISPLAY"_s);
    env.remove(u"WAYLAND_DISPLAY"_s);
    env.remove(u"QT_QPA_PLATFORM"_s);
    return env;
}

QProcess* startLadderpost(const QStringList& arguments, const QDateTime& at)
{
    auto* program = new QProcess;
    QProcessEnvironment env = withoutDisplay();
    env.insert(u"FAKETIME_DONT_FAKE_MONOTONIC"_s, u"1"_s); // timeouts keep real time
    // Under AddressSanitizer libfaketime is preloaded before its runtime; both work that way.
    env.insert(u"ASAN_OPTIONS"_s, env.value(u"ASAN_OPTIONS"_s) + u":verify_asan_link_order=0"_s);
    program->setProcessEnvironment(env);
    if (at.isValid())
        program->start(u"faketime"_s, QStringList{u"-f"_s, at.toString(u"'@'yyyy-MM-dd HH:mm:ss"_s),
                                                  QStringLiteral(LADDERPOST_EXE)} + arguments);
    else
        program->start(QStringLiteral(LADDERPOST_EXE), arguments);
    return program;
}

QProcess* startSendDue(const QString& home, const QStringList& more, const QDateTime& at)
{
    return startLadderpost(QStringList{u"--send-due"_s, u"--home"_s, home} + more, at);
}

Finished waitFor(QProcess* program)
{
    if (!program->waitForFinished(60000))
        program->kill();
    program->waitForFinished();
    Finished done{program->exitStatus() == QProcess::NormalExit ? program->exitCode() : -1,
                  QString::fromUtf8(program->readAllStandardOutput()),
                  QString::fromUtf8(program->readAllStandardError())};
    delete program;
    return done;
}
