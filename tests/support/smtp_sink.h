#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real SMTP server (aiosmtpd) on a free loopback port that keeps every
// message it receives; it stops with the test, or when its stdin closes.
class SmtpSink {
public:
    SmtpSink();
    ~SmtpSink();
    int port() const { return port_; }
    QString server() const; // "127.0.0.1:port"
    QList<QJsonObject> received() const;

private:
    QTemporaryDir folder_;
    QProcess process_;
    int port_ = 0;
};
