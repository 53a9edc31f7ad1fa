// The libpq functions the server layer calls, each forwarding to the library loaded on first use. Only
// built where libpq is loaded at run time; elsewhere the program links libpq itself.
#include "Libpq.h"

#include <libpq-fe.h>

#include <dlfcn.h>

#include <cstdlib>

namespace {

struct Loaded {
    void* handle = nullptr;
    QString error;
};

const Loaded& loaded()
{
    static const Loaded library = [] {
        Loaded result;
        result.handle = dlopen(CALVORA_LIBPQ_FILE, RTLD_NOW | RTLD_LOCAL);
        if (!result.handle)
            result.error = QStringLiteral("la libreria del client PostgreSQL (") + QStringLiteral(CALVORA_LIBPQ_FILE)
                + QStringLiteral(") non è installata: ") + QString::fromLocal8Bit(dlerror());
        return result;
    }();
    return library;
}

// Callers reach these only after Libpq::load() said yes; a missing function then is a broken installation.
template <typename Function>
Function* resolved(const char* name)
{
    void* found = loaded().handle ? dlsym(loaded().handle, name) : nullptr;
    if (!found)
        std::abort();
    return reinterpret_cast<Function*>(found);
}

} // namespace

namespace Libpq {

QString load()
{
    return loaded().error;
}

// OpenSSL comes with libpq, so its functions are looked up among libpq's own dependencies. OpenSSL 3
// names the first one SSL_get1_peer_certificate, 1.1 SSL_get_peer_certificate; both add a reference.
QByteArray peerCertificate(pg_conn* connection)
{
    void* ssl = PQsslStruct(connection, "OpenSSL");
    if (!ssl)
        return {};
    using PeerCertificate = void* (*)(const void*);
    using ToDer = int (*)(const void*, unsigned char**);
    using Free = void (*)(void*);
    static const auto symbol = [](const char* name) { return dlsym(loaded().handle, name); };
    static void* const peer = symbol("SSL_get1_peer_certificate") ? symbol("SSL_get1_peer_certificate")
                                                                   : symbol("SSL_get_peer_certificate");
    static void* const toDer = symbol("i2d_X509");
    static void* const release = symbol("X509_free");
    if (!peer || !toDer || !release)
        return {};
    void* certificate = reinterpret_cast<PeerCertificate>(peer)(ssl);
    if (!certificate)
        return {};
    const int length = reinterpret_cast<ToDer>(toDer)(certificate, nullptr);
    QByteArray der;
    if (length > 0) {
        der.resize(length);
        auto* out = reinterpret_cast<unsigned char*>(der.data());
        if (reinterpret_cast<ToDer>(toDer)(certificate, &out) != length)
            der.clear();
    }
    reinterpret_cast<Free>(release)(certificate);
    return der;
}

} // namespace Libpq

// Each function is looked up once, on its first call.
#define CALVORA_FORWARD(Result, name, params, args)                                                          \
    extern "C" Result name params                                                                              \
    {                                                                                                          \
        static const auto function = resolved<Result params>(#name);                                           \
        return function args;                                                                                  \
    }

CALVORA_FORWARD(void, PQconninfoFree, (PQconninfoOption * options), (options))
CALVORA_FORWARD(PQconninfoOption*, PQconninfoParse, (const char* conninfo, char** errmsg), (conninfo, errmsg))
CALVORA_FORWARD(PQconninfoOption*, PQconninfo, (PGconn * conn), (conn))
CALVORA_FORWARD(PGconn*, PQconnectdbParams, (const char* const* keywords, const char* const* values, int expand),
                (keywords, values, expand))
CALVORA_FORWARD(PGconn*, PQconnectStartParams, (const char* const* keywords, const char* const* values, int expand),
                (keywords, values, expand))
CALVORA_FORWARD(PostgresPollingStatusType, PQconnectPoll, (PGconn * conn), (conn))
CALVORA_FORWARD(ConnStatusType, PQstatus, (const PGconn* conn), (conn))
CALVORA_FORWARD(void, PQclear, (PGresult * res), (res))
CALVORA_FORWARD(char*, PQerrorMessage, (const PGconn* conn), (conn))
CALVORA_FORWARD(char*, PQuser, (const PGconn* conn), (conn))
CALVORA_FORWARD(char*, PQhost, (const PGconn* conn), (conn))
CALVORA_FORWARD(char*, PQport, (const PGconn* conn), (conn))
CALVORA_FORWARD(char*, PQdb, (const PGconn* conn), (conn))
CALVORA_FORWARD(ExecStatusType, PQresultStatus, (const PGresult* res), (res))
CALVORA_FORWARD(char*, PQresultErrorField, (const PGresult* res, int field), (res, field))
CALVORA_FORWARD(char*, PQgetvalue, (const PGresult* res, int row, int column), (res, row, column))
CALVORA_FORWARD(int, PQgetlength, (const PGresult* res, int row, int column), (res, row, column))
CALVORA_FORWARD(int, PQntuples, (const PGresult* res), (res))
CALVORA_FORWARD(void, PQfreemem, (void* ptr), (ptr))
CALVORA_FORWARD(int, PQsslInUse, (PGconn * conn), (conn))
CALVORA_FORWARD(void*, PQsslStruct, (PGconn * conn, const char* structName), (conn, structName))
CALVORA_FORWARD(int, PQsocket, (const PGconn* conn), (conn))
CALVORA_FORWARD(PQnoticeProcessor, PQsetNoticeProcessor, (PGconn * conn, PQnoticeProcessor proc, void* arg),
                (conn, proc, arg))
CALVORA_FORWARD(const char*, PQparameterStatus, (const PGconn* conn, const char* name), (conn, name))
CALVORA_FORWARD(PGnotify*, PQnotifies, (PGconn * conn), (conn))
CALVORA_FORWARD(void, PQfinish, (PGconn * conn), (conn))
CALVORA_FORWARD(PGresult*, PQexecParams,
                (PGconn * conn, const char* command, int count, const Oid* types, const char* const* values,
                 const int* lengths, const int* formats, int resultFormat),
                (conn, command, count, types, values, lengths, formats, resultFormat))
CALVORA_FORWARD(PGresult*, PQexec, (PGconn * conn, const char* query), (conn, query))
CALVORA_FORWARD(int, PQconsumeInput, (PGconn * conn), (conn))
CALVORA_FORWARD(int, PQconnectionUsedPassword, (const PGconn* conn), (conn))
CALVORA_FORWARD(int, PQconnectionNeedsPassword, (const PGconn* conn), (conn))
CALVORA_FORWARD(int, PQbackendPID, (const PGconn* conn), (conn))
CALVORA_FORWARD(PGcancel*, PQgetCancel, (PGconn * conn), (conn))
CALVORA_FORWARD(void, PQfreeCancel, (PGcancel * cancel), (cancel))
CALVORA_FORWARD(int, PQcancel, (PGcancel * cancel, char* errbuf, int errbufsize),
                (cancel, errbuf, errbufsize))
