// SPDX-License-Identifier: GPL-3.0-or-later
#include "private_postfix.h"

#include "test_support.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <optional>

#include <unistd.h>

namespace {

constexpr int kScriptMs = 30000;

// The script's output, or nothing when it failed or overran.
std::optional<QByteArray> script(const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(u"/bin/sh"_s, QStringList{QStringLiteral(LADDERPOST_BENCH_DIR "/private_postfix.sh")} + arguments);
    if (!process.waitForFinished(kScriptMs)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

// "auth=1" or "auth=0/3" (accepted of tried) in a disconnect line.
struct CommandCount {
    int accepted = 0;
    int tried = 0;
};
CommandCount commandCount(const QString& line, const QString& command)
{
    static const QRegularExpression pattern(u"^(\\d+)(?:/(\\d+))?$"_s);
    for (const QString& token : line.split(u' ')) {
        if (!token.startsWith(command + u'='))
            continue;
        const auto match = pattern.match(token.mid(command.size() + 1));
        const int accepted = match.captured(1).toInt();
        return {accepted, match.captured(2).isEmpty() ? accepted : match.captured(2).toInt()};
    }
    return {};
}

} // namespace

std::unique_ptr<PrivatePostfix> PrivatePostfix::start(const QString& cert, const QString& key, const QString& user,
                                                      const QString& password, QString* whyNot)
{
    if (!QFileInfo::exists(u"/usr/sbin/postfix"_s) || !QFileInfo::exists(u"/usr/sbin/saslpasswd2"_s)) {
        *whyNot = u"postfix or sasl2-bin is not installed"_s;
        return nullptr;
    }
    if (::geteuid() != 0) {
        *whyNot = u"starting a Postfix needs root (sudo build/bench/send_bench)"_s;
        return nullptr;
    }
    const auto started = script({u"start"_s, cert, key, user, password});
    const QStringList words = started ? QString::fromUtf8(*started).split(u' ', Qt::SkipEmptyParts) : QStringList();
    if (words.size() != 2) {
        *whyNot = u"the private Postfix did not start"_s;
        return nullptr;
    }
    return std::unique_ptr<PrivatePostfix>(new PrivatePostfix(words[0], words[1].trimmed().toInt()));
}

PrivatePostfix::~PrivatePostfix() { script({u"stop"_s, folder_}); }

QString PrivatePostfix::server() const { return u"127.0.0.1:%1"_s.arg(port_); }

PrivatePostfix::Sessions PrivatePostfix::sessions() const
{
    static const QRegularExpression connect(u"smtpd\\[\\d+\\]: connect from "_s);
    static const QRegularExpression disconnect(u"smtpd\\[\\d+\\]: disconnect from "_s);
    // postlogd writes a moment after smtpd says it.
    QElapsedTimer waited;
    waited.start();
    QStringList ended;
    do {
        const QStringList lines = QString::fromUtf8(readBytes(folder_ + u"/maillog"_s)).split(u'\n');
        ended = lines.filter(disconnect);
        if (!ended.isEmpty() && ended.size() == lines.filter(connect).size())
            break;
        QThread::msleep(100);
    } while (waited.elapsed() < 10000);
    Sessions seen;
    for (const QString& line : ended) {
        ++seen.connections;
        seen.logins += commandCount(line, u"auth"_s).tried;
        seen.mails += commandCount(line, u"data"_s).accepted;
    }
    return seen;
}

double PrivatePostfix::smtpSource(int mails, int bytes) const
{
    QProcess source;
    QElapsedTimer timer;
    timer.start();
    source.start(u"/usr/sbin/smtp-source"_s,
                 {u"-s"_s, u"1"_s, u"-d"_s, u"-m"_s, QString::number(mails), u"-l"_s, QString::number(bytes), u"-f"_s,
                  u"shop@example.jp"_s, u"-t"_s, u"guest@example.jp"_s, server()});
    if (!source.waitForFinished(120000) || source.exitStatus() != QProcess::NormalExit || source.exitCode() != 0) {
        source.kill();
        return -1;
    }
    return mails / (timer.nsecsElapsed() / 1e9);
}
