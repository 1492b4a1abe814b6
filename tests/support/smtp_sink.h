// SPDX-License-Identifier: GPL-3.0-or-later
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
    enum class Greeting { Welcome, Busy421 };
    // port 0 takes a free one; a port given is taken again after an earlier sink stopped.
    explicit SmtpSink(int port = 0, Greeting greeting = Greeting::Welcome);
    // A free port and smtp_sink.py's options: "--starttls", cert, key, "--auth", "user:password",
    // "--close-after", count.
    explicit SmtpSink(const QStringList& options);
    ~SmtpSink();
    void stop(); // the server goes away; what it received stays readable
    // The server dies at once, from any thread (the send worker's, say); returns
    // once its port refuses connections.
    void kill();
    int port() const { return port_; }
    QString server() const; // "127.0.0.1:port"
    QList<QJsonObject> received() const;
    int logins() const;      // AUTH attempts, right or wrong (with "--auth")
    int connections() const; // connections made to it

private:
    void start(const QStringList& arguments);
    QTemporaryDir folder_;
    QProcess process_;
    int port_ = 0;
};

// An OAuth 2.0 authorisation server (oauth_server.py) on a free loopback port;
// smtp.ini's custom provider points at it and the sink's "--xoauth2" trusts its tokens.
class OAuthServer {
public:
    OAuthServer();
    ~OAuthServer();
    QString folder() const { return folder_.path(); }
    QString url(const QString& path) const; // "http://127.0.0.1:port/path"
    QList<QJsonObject> tokenRequests() const;
    void expireAccessTokens();
    void revokeRefreshTokens();

private:
    QTemporaryDir folder_;
    QProcess process_;
    int port_ = 0;
};

// A self-signed certificate for 127.0.0.1, made by the openssl tool, for the
// sink's "--starttls" or "--tls" and the program's trusted ca_file.
class SelfSigned {
public:
    SelfSigned();
    // The test binary's one certificate, made at its first use.
    static const SelfSigned& shared();
    QString cert() const { return dir_.filePath(QStringLiteral("cert.pem")); }
    QString key() const { return dir_.filePath(QStringLiteral("key.pem")); }

private:
    QTemporaryDir dir_;
};

// The sink's options for a provider's submission port: STARTTLS with the shared
// certificate and a login as shop / secret.
QStringList startTlsLogin();
