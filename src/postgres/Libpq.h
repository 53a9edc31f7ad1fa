#pragma once

#include <QByteArray>
#include <QString>

struct pg_conn;

// libpq and the libraries it brings (TLS, Kerberos, LDAP: about twenty) cost a tenth of the program's
// start while a practice on the data folder's file never uses them; where the platform allows, they are
// loaded at the first use of the server archive instead of with the program.
namespace Libpq {

// Loads libpq if that has not happened yet. Empty when it is usable; otherwise why not, in Italian.
[[nodiscard]] QString load();

// The certificate the server presented on the connection's TLS session, DER-encoded; empty when the
// session has none (no TLS, or a libpq built with another TLS library than OpenSSL).
[[nodiscard]] QByteArray peerCertificate(pg_conn* connection);

} // namespace Libpq
