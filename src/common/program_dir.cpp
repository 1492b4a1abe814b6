// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/program_dir.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

ProgramDir::ProgramDir(QString root) : root_(QDir::cleanPath(std::move(root))) {}

QString ProgramDir::file(const QString& name) const { return root_ + u'/' + name; }
QString ProgramDir::textDir() const { return file(QStringLiteral("text")); }
QString ProgramDir::logDir() const { return file(QStringLiteral("log")); }
QString ProgramDir::reportDir() const { return file(QStringLiteral("report")); }
QString ProgramDir::printDir() const { return file(QStringLiteral("print")); }
QString ProgramDir::defaultList() const { return file(QStringLiteral("guestlst.lst")); }
QString ProgramDir::config() const { return file(QStringLiteral("config.ini")); }
QString ProgramDir::printIni() const { return file(QStringLiteral("Print.ini")); }
QString ProgramDir::exchangeCsv() const { return file(QStringLiteral("Quolda.csv")); }
QString ProgramDir::sendLock() const { return file(QStringLiteral("send.lock")); }

QString defaultProgramRoot()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Ladderpost");
}

Result<ProgramDir> prepareProgramDir(const QString& root)
{
    ProgramDir dir(QDir(root).absolutePath());
    for (const QString& path : {dir.root(), dir.textDir(), dir.logDir()}) {
        if (!QDir().mkpath(path))
            return fail(ErrorKind::Io, QStringLiteral("フォルダ %1 を作成できません。").arg(path));
    }
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.root());
    return dir;
}
