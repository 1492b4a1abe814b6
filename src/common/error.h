// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <expected>

// What went wrong, in a form the window can turn into a message box.
enum class ErrorKind {
    Io,               // a file could not be opened, read or written
    NotFound,         // a file that must exist is missing
    Format,           // a file or value is not in the expected form
    InvalidInput,     // refused before anything was done (bad address, bad name)
    ConnectFailed,    // the SMTP server could not be reached, would not greet or start TLS
    ConnectionLost,   // the session ended (421, a cut line) before the whole message went
    SenderRefused,    // the server refused the sender (or wants a login): no mail can go
    RecipientRefused, // the SMTP server refused the recipient
    MessageRefused,   // the server refused the message itself
    TemporaryFailure, // a 4xx reply: the same mail may go through later
    Uncertain,        // the line went quiet after the whole message: it may have arrived
    Transfer,         // any other failure while talking to the server
};

struct Error {
    ErrorKind kind;
    QString message;
};

template <typename T>
using Result = std::expected<T, Error>;

inline std::unexpected<Error> fail(ErrorKind kind, QString message)
{
    return std::unexpected<Error>(Error{kind, std::move(message)});
}
