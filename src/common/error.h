#pragma once

#include <QString>

#include <expected>

// What went wrong, in a form the window can turn into a message box.
enum class ErrorKind {
    Io,               // a file could not be opened, read or written
    NotFound,         // a file that must exist is missing
    Format,           // a file or value is not in the expected form
    InvalidInput,     // refused before anything was done (bad address, bad name)
    ConnectFailed,    // the SMTP server could not be reached
    RecipientRefused, // the SMTP server refused the recipient
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
