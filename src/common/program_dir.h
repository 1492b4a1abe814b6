// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"

#include <QString>

// The folder that holds lists, settings, mail texts and send logs.
class ProgramDir {
public:
    explicit ProgramDir(QString root);

    const QString& root() const { return root_; }
    QString file(const QString& name) const; // a file directly in the folder
    QString textDir() const;
    QString logDir() const;
    QString reportDir() const; // run reports; not in log/, whose file count numbers the logs
    QString printDir() const;
    QString defaultList() const;  // guestlst.lst
    QString config() const;       // config.ini
    QString printIni() const;     // Print.ini
    QString exchangeCsv() const;  // Quolda.csv
    QString sendLock() const;     // held by whichever run is sending

private:
    QString root_;
};

// The --home folder, else ~/.local/share/Ladderpost.
QString defaultProgramRoot();

// Creates the folder with its text/ and log/ subfolders when missing, and makes
// it the home of Qt's own settings (the file dialog's history), which would
// otherwise go to ~/.config behind the operator's back.
Result<ProgramDir> prepareProgramDir(const QString& root);
