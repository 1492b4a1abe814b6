// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "smtp/endpoint.h"
#include "smtp/mail_transport.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <curl/curl.h>

#include <cstddef>

// What curl sent and heard, to tell which step of the conversation failed.
struct SmtpConversation {
    QByteArray message;
    qsizetype readPos = 0;
    QByteArray lastCommand;
    QByteArray lastReply;
    bool greeted = false;
    bool replyPending = false; // a command went out and nothing came back yet
    bool bodySent = false;     // the message itself began to go out
    bool bodyEnded = false;    // curl took the last byte: unless sending it fails, the whole message goes
    bool quitting = false;     // the closing QUIT must not hide the reply that failed
    bool inAuth = false;       // lines sent now are credentials: never kept
    QByteArrayList replies;    // what the server said, for the connection test
    curl_socket_t socket = CURL_SOCKET_BAD;
};

// curl's callbacks; their user pointer is the conversation.
size_t readMessage(char* buffer, size_t size, size_t count, void* user);
int watchTraffic(CURL*, curl_infotype type, char* data, size_t size, void* user);
int keepSocket(void* user, curl_socket_t socket, curlsocktype);

QString hostPort(const SmtpEndpoint& endpoint);
// A failed session as the operator reads it, its kind telling the run whether
// to stop, skip the guest, try again later or call the mail uncertain.
Error transportError(CURLcode code, const SmtpConversation& talk, const char* curlText, CURL* curl,
                     const SmtpEndpoint& endpoint, const QString& to);
