// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/send_timer.h"

#include "common/file_write.h"
#include "common/program_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <memory>

namespace {

const QString kTimer = QStringLiteral("ladderpost-send.timer");
const QString kFolderLine = QStringLiteral("# Ladderpost program folder: ");

// A word of an ExecStart line as systemd reads it.
QString unitQuoted(QString word)
{
    word.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
    word.replace(u'%', QStringLiteral("%%")).replace(u'$', QStringLiteral("$$"));
    return u'"' + word + u'"';
}

QString showValue(const QString& output, const QString& key)
{
    for (const QString& line : output.split(u'\n'))
        if (line.startsWith(key + u'='))
            return line.mid(key.size() + 1).trimmed();
    return {};
}

} // namespace

SendTimer::SendTimer(QString home, QString systemctl, QString loginctl, QString configHome)
    : home_(QDir(home).absolutePath()), systemctl_(std::move(systemctl)), loginctl_(std::move(loginctl)),
      configHome_(configHome.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                                       : std::move(configHome))
{
}

QString SendTimer::dropInFolder() const { return configHome_ + QStringLiteral("/systemd/user/ladderpost-send.service.d"); }
QString SendTimer::dropInPath() const { return dropInFolder() + QStringLiteral("/program-folder.conf"); }

void SendTimer::refresh()
{
    run({{systemctl_, QStringLiteral("--user"), QStringLiteral("show"), kTimer, QStringLiteral("--timestamp=unix"),
          QStringLiteral("--property=LoadState,UnitFileState,NextElapseUSecRealtime")}},
        [this](bool ok, const QString& output) {
            if (!ok)
                return fail(output);
            if (showValue(output, QStringLiteral("LoadState")) != u"loaded")
                return fail(QStringLiteral("タイマー（%1）が見つかりません。パッケージから導入すると使えます。").arg(kTimer));
            TimerState state;
            state.available = true;
            QFile dropIn(dropInPath());
            QString folder = QDir(defaultProgramRoot()).absolutePath();
            if (dropIn.open(QIODevice::ReadOnly))
                folder = QString::fromUtf8(dropIn.readLine()).trimmed().remove(0, kFolderLine.size());
            const bool on = showValue(output, QStringLiteral("UnitFileState")) == u"enabled";
            state.enabled = on && folder == home_;
            state.otherFolder = on && !state.enabled ? folder : QString();
            const QString next = showValue(output, QStringLiteral("NextElapseUSecRealtime"));
            if (next.startsWith(u'@'))
                state.nextRun = QDateTime::fromSecsSinceEpoch(next.mid(1).toLongLong());
            readLinger(state);
        });
}

// Without lingering the user's systemd, and with it the timer, ends at logout.
void SendTimer::readLinger(TimerState state)
{
    run({{loginctl_, QStringLiteral("show-user"), qEnvironmentVariable("USER"), QStringLiteral("--property=Linger"),
          QStringLiteral("--value")}},
        [this, state](bool ok, const QString& output) mutable {
            state.lingering = ok && output.trimmed() == u"yes";
            emit stateKnown(state);
        });
}

void SendTimer::switchOn()
{
    const bool usual = home_ == QDir(defaultProgramRoot()).absolutePath();
    if (usual) {
        QFile::remove(dropInPath());
    } else {
        const QString text = kFolderLine + home_ + QStringLiteral("\n[Service]\nExecStart=\nExecStart=")
                             + unitQuoted(QCoreApplication::applicationFilePath())
                             + QStringLiteral(" --send-due --home ") + unitQuoted(home_) + u'\n';
        auto written = QDir().mkpath(dropInFolder()) ? writeWholeFile(dropInPath(), text.toUtf8())
                                                     : Result<void>(std::unexpected(Error{ErrorKind::Io, dropInFolder()}));
        if (home_.contains(u'\n') || !written)
            return fail(QStringLiteral("%1 を書き込めません。").arg(dropInPath()));
    }
    run({{systemctl_, QStringLiteral("--user"), QStringLiteral("daemon-reload")},
         {systemctl_, QStringLiteral("--user"), QStringLiteral("enable"), QStringLiteral("--now"), kTimer}},
        [this](bool ok, const QString& output) { ok ? refresh() : fail(output); });
}

void SendTimer::switchOff()
{
    run({{systemctl_, QStringLiteral("--user"), QStringLiteral("disable"), QStringLiteral("--now"), kTimer}},
        [this](bool ok, const QString& output) {
            if (!ok)
                return fail(output);
            QFile::remove(dropInPath());
            refresh();
        });
}

void SendTimer::fail(const QString& why)
{
    TimerState state;
    state.problem = why;
    emit stateKnown(state);
}

// The commands one after another; done gets the last one's output, or the
// error of the first that failed.
void SendTimer::run(QList<QStringList> commands, Done done)
{
    auto* process = new QProcess(this);
    const QStringList command = commands.takeFirst();
    connect(process, &QProcess::finished, this, [this, process, commands, done](int code, QProcess::ExitStatus status) {
        process->deleteLater();
        const bool ok = status == QProcess::NormalExit && code == 0;
        if (ok && !commands.isEmpty())
            return run(commands, done);
        done(ok, QString::fromUtf8(ok ? process->readAllStandardOutput() : process->readAllStandardError()).trimmed());
    });
    connect(process, &QProcess::errorOccurred, this, [process, done, name = QFileInfo(command.first()).fileName()](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        process->deleteLater();
        done(false, QStringLiteral("%1 を実行できません。").arg(name));
    });
    process->start(command.first(), command.mid(1));
}
