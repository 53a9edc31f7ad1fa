// Where libpq is linked with the program, it is always there.
#include "Libpq.h"

#include <libpq-fe.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

namespace Libpq {

QString load()
{
    return {};
}

QByteArray peerCertificate(pg_conn* connection)
{
    auto* ssl = static_cast<SSL*>(PQsslStruct(connection, "OpenSSL"));
    X509* certificate = ssl ? SSL_get1_peer_certificate(ssl) : nullptr;
    if (!certificate)
        return {};
    const int length = i2d_X509(certificate, nullptr);
    QByteArray der;
    if (length > 0) {
        der.resize(length);
        auto* out = reinterpret_cast<unsigned char*>(der.data());
        if (i2d_X509(certificate, &out) != length)
            der.clear();
    }
    X509_free(certificate);
    return der;
}

} // namespace Libpq
