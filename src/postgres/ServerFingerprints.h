#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// The server certificates this computer's user confirmed by their SHA-256 fingerprint, each for the
// address it was seen at ("host:port", the host as the line names it). A confirmed fingerprint stands
// in for a root certificate: the connection goes on only when the server shows that very certificate.
// Kept in a text file of "host:port fingerprint" lines that a person can read, compare and edit.
class ServerFingerprints {
public:
    // The file's entries; none when it does not exist or cannot be read. Blank lines, comments ("#")
    // and lines that hold no fingerprint are skipped.
    [[nodiscard]] static ServerFingerprints read(const QString& path);
    // Replaces the file whole or not at all; false with the reason in *error.
    bool write(const QString& path, QString* error = nullptr) const;

    // The fingerprint confirmed for an address; empty when there is none.
    [[nodiscard]] QString of(const QString& endpoint) const { return m_entries.value(endpoint); }
    void set(const QString& endpoint, const QString& fingerprint) { m_entries.insert(endpoint, fingerprint); }
    // Whether a fingerprint is confirmed for this host, on any port.
    [[nodiscard]] bool namesHost(const QString& host) const;

    // "host:port", the form entries are kept under.
    [[nodiscard]] static QString endpoint(const QString& host, const QString& port);
    // A certificate's fingerprint as `openssl x509 -noout -fingerprint -sha256` prints it: "4F:0D:…".
    [[nodiscard]] static QString fingerprintOf(const QByteArray& der);
    // A fingerprint written by hand (either case, with or without colons) in that form; empty when the
    // text is not one.
    [[nodiscard]] static QString normalized(const QString& text);

private:
    QMap<QString, QString> m_entries;
};
