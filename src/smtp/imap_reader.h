// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

#include <chrono>
#include <memory>

enum class ImapSecurity { Tls, StartTls, None };

// A mailbox login: a password, or an OAuth 2.0 access token (XOAUTH2) when one is set.
struct ImapLogin {
    QString host;
    int port = 993;
    ImapSecurity security = ImapSecurity::Tls;
    QString user;
    QString password;
    QString accessToken;
    QString folder = QStringLiteral("INBOX");
};

struct ImapSession;

// Reads a mailbox over IMAP through libcurl and never changes it: the folder is
// opened with EXAMINE (read-only) and messages are fetched with BODY.PEEK[], so
// no flag is set, nothing is moved or deleted. One connection for all commands.
class ImapReader {
public:
    explicit ImapReader(std::chrono::milliseconds connectTimeout = std::chrono::seconds(20),
                        std::chrono::milliseconds commandTimeout = std::chrono::seconds(60));
    ~ImapReader();
    ImapReader(const ImapReader&) = delete;
    ImapReader& operator=(const ImapReader&) = delete;

    // Connects, logs in and examines the folder; returns its UIDVALIDITY.
    // ConnectFailed (refused, no TLS, timed out), SenderRefused (login), NotFound (folder).
    Result<qint64> open(const ImapLogin& login);
    // The UIDs of the folder above `after`, ascending.
    Result<QList<qint64>> uidsAfter(qint64 after);
    // The UIDs of the messages that arrived on day or later, ascending.
    Result<QList<qint64>> uidsSince(const QDate& day);
    // The message as the server holds it, up to its first kFetchLimit bytes (a
    // report and a reply say what matters there; an attachment may be huge, and
    // libcurl refuses a reply of more than 300 KiB, counting some bytes twice).
    // Format when it cannot be read whole.
    static constexpr qint64 kFetchLimit = 128 * 1024;
    Result<QByteArray> fetch(qint64 uid);

private:
    Result<QByteArray> command(const QByteArray& text);
    Result<QByteArray> fetchOnce(qint64 uid);
    Result<void> reconnect();

    std::chrono::milliseconds connectTimeout_;
    std::chrono::milliseconds commandTimeout_;
    std::unique_ptr<ImapSession> session_;
    QByteArray folder_; // examined again on a fresh connection
};

// A folder name as an IMAP quoted string; empty for a name IMAP cannot carry
// that way (non-ASCII or control characters).
QByteArray imapQuoted(const QString& name);
// The literal of "* n FETCH (... BODY[] {size}\r\n...)" in a FETCH response.
Result<QByteArray> fetchedBody(const QByteArray& response);
// UIDVALIDITY from the untagged responses of SELECT or EXAMINE; 0 when absent.
qint64 uidValidityOf(const QByteArray& response);
// The numbers of "* SEARCH ..." lines.
QList<qint64> searchedUids(const QByteArray& response);
