#pragma once

#include "DatabaseError.h"

#include <QString>

// Why a connection to the server could not be made, in Italian, with libpq's own words as the detail.
// Every refusal of a connection attempt is worded here, in one place.
namespace ConnectFailure {

enum class Reason {
    // No server answered at the line's address, or the connection broke before the login.
    Unreachable,
    // Nothing answered within the connect time-out.
    TimedOut,
    // The server takes no encrypted connections, and the line does not allow unencrypted ones.
    NoTls,
    // The connection ended up unencrypted although sslmode=disable was not chosen.
    Unencrypted,
    // libpq's check of the certificate against the root certificate failed: another authority signed
    // it, or it does not carry the server's name.
    CertificateRefused,
    // A mode that checks the certificate, without the root certificate file to check it against.
    RootMissing,
    // Encrypted, but no root certificate vouched for the server and no fingerprint is confirmed for it.
    IdentityUnproven,
    // The server showed a certificate whose fingerprint is not the one confirmed for its address.
    IdentityChanged,
    // The server asks for a password that the password file does not have.
    PasswordMissing,
    // The server refused the login (user, database, or the server's own rules).
    LoginRefused,
};

struct Context {
    QString endpoint; // "host:port" of the server, or its socket folder
    QString user;
    QString database;
    QString detail;   // libpq's message, first line; may be empty
    QString rootFile; // the root certificate file the check used or missed
    int timeoutSeconds = 0;
};

// The error to throw: of kind Untrusted when the server's identity is in question, else Unavailable.
[[nodiscard]] DatabaseError error(Reason reason, const Context& context);

} // namespace ConnectFailure
