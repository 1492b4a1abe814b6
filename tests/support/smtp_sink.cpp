#include "smtp_sink.h"

#include "test_support.h"

#include <QDir>
#include <QJsonDocument>

SmtpSink::SmtpSink()
{
    process_.start(QStringLiteral(LADDERPOST_SYSTEM_PYTHON),
                   {QStringLiteral(LADDERPOST_TEST_DIR "/delivery/smtp_sink.py"), folder_.path()});
    if (process_.waitForStarted(5000) && process_.waitForReadyRead(10000))
        port_ = process_.readLine().trimmed().toInt();
}

SmtpSink::~SmtpSink()
{
    process_.closeWriteChannel();
    if (!process_.waitForFinished(5000))
        process_.kill();
}

QString SmtpSink::server() const { return u"127.0.0.1:%1"_s.arg(port_); }

QList<QJsonObject> SmtpSink::received() const
{
    QList<QJsonObject> mails;
    for (const QString& name : QDir(folder_.path()).entryList({u"*.json"_s}, QDir::Files, QDir::Name))
        mails.append(QJsonDocument::fromJson(readBytes(folder_.filePath(name))).object());
    return mails;
}
