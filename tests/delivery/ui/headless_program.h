// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// The program as the daily timer starts it: no display at all; at a day of
// the test's choosing when one is given (libfaketime, the clock running on from there).
QProcessEnvironment withoutDisplay();
QProcess* startLadderpost(const QStringList& arguments, const QDateTime& at = {});
QProcess* startSendDue(const QString& home, const QStringList& more = {}, const QDateTime& at = {});

struct Finished {
    int status = -1;
    QString output;
    QString errors;
};

// Waits for the program's end and deletes it; a program still running after a minute has hung.
Finished waitFor(QProcess* program);
