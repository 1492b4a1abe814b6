// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real Dovecot IMAP server of the test's own: its configuration, a
// passwd-file user (shop / secret) and a Maildir in a temporary folder, on a
// free loopback port, in plain text (loopback only). No system service.
class ImapServer {
public:
    // With an introspection address, XOAUTH2 logins are checked there (RFC 7662).
    explicit ImapServer(const QString& introspectionUrl = QString());
    ~ImapServer();
    ImapServer(const ImapServer&) = delete;
    ImapServer& operator=(const ImapServer&) = delete;

    int port() const { return port_; } // 0 when it did not start
    QString server() const;            // "127.0.0.1:port"
    // Puts a message into the Maildir as a mail client would find it, with
    // these Maildir flags ("S" read, "" unread).
    void deliver(const QByteArray& raw, const QString& flags = QString());
    // Every message file of the Maildir (cur/ and new/, flags in the name) and its bytes.
    QMap<QString, QByteArray> messages() const;
    void stop();

private:
    QString maildir() const;
    QTemporaryDir folder_;
    QProcess process_;
    int port_ = 0;
    int delivered_ = 0;
};
