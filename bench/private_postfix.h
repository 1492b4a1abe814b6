// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <memory>

// A Postfix of the bench's own (private_postfix.sh): smtpd on a free loopback
// port with STARTTLS and a login, every mail discarded; stopped and its folder
// removed with the object.
class PrivatePostfix {
public:
    // Nothing when Postfix is missing or may not be started here; whyNot says which.
    static std::unique_ptr<PrivatePostfix> start(const QString& cert, const QString& key, const QString& user,
                                                 const QString& password, QString* whyNot);
    ~PrivatePostfix();
    PrivatePostfix(const PrivatePostfix&) = delete;
    PrivatePostfix& operator=(const PrivatePostfix&) = delete;

    QString server() const; // "127.0.0.1:port"

    // What smtpd counted, from its disconnect lines, once every connection made so far has ended.
    struct Sessions {
        int connections = 0;
        int logins = 0; // AUTH attempts
        int mails = 0;  // DATA accepted
    };
    Sessions sessions() const;

    // Postfix's own smtp-source over one session (it speaks neither STARTTLS nor AUTH):
    // mails a second, or a negative number when it failed.
    double smtpSource(int mails, int bytes) const;

private:
    PrivatePostfix(QString folder, int port) : folder_(std::move(folder)), port_(port) {}
    QString folder_;
    int port_;
};
