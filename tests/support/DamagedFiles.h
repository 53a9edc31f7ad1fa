#pragma once

// Damaged copies of a practice database, for the tests of what opening does with a file that a crash, a
// full disk or a faulty copy left behind. Link calvora_sqlite. The start-up test can copy each variant
// to "<data folder>/calvora.sqlite" and expect the alert "Impossibile aprire l'archivio appuntamenti"
// whose first line says the archive is damaged and names the opening error, exit status 1 (unless a
// backup is restored), and the file unchanged (TestSupport::fileDigest).

#include "Database.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

namespace DamagedFiles {

struct Variant {
    QString label; // what was done to the file
    QString path;
};

// Writes a healthy database of several pages to folder + "/sano.sqlite" (returned), holding
// `appointments` rows whose patients are "Paziente <n>".
inline QString writeHealthy(const QString& folder, int appointments = 400)
{
    const QString path = folder + "/sano.sqlite";
    Database db(path);
    db.transaction([&] {
        for (int i = 0; i < appointments; ++i)
            db.run(QStringLiteral("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient, "
                                  "notes) VALUES (?, '2024-12-02', ?, 15, ?, ?)"),
                   {qint64(1 + i % 3), 540 + 15 * (i % 43), QString("Paziente %1").arg(i),
                    QString("Note cliniche ").repeated(4)});
    });
    return path;
}

// Damaged copies of a healthy database, each in its own file in folder ("danneggiato-<n>.sqlite").
// None of them is empty: an empty file is what a first start that failed leaves, and opening it
// creates the schema, as on a new installation.
inline QList<Variant> make(const QString& folder)
{
    QFile healthyFile(writeHealthy(folder));
    if (!healthyFile.open(QIODevice::ReadOnly))
        return {};
    const QByteArray healthy = healthyFile.readAll();
    constexpr int page = 4096;
    const qsizetype middle = (healthy.size() / page / 2) * page;
    auto noise = [](qsizetype size) {
        QByteArray bytes(size, '\0');
        quint32 x = 2463534242u;
        for (char& c : bytes) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            c = char(x & 0xFF);
        }
        return bytes;
    };
    auto replaced = [&](qsizetype at, const QByteArray& with) {
        QByteArray copy = healthy;
        copy.replace(at, with.size(), with);
        return copy;
    };
    const QList<std::pair<QString, QByteArray>> damaged{
        {"troncato a metà", healthy.left(middle)},
        {"senza l'ultima pagina", healthy.left(healthy.size() - page)},
        {"troncato dentro una pagina", healthy.left(healthy.size() - 1000)},
        {"solo l'intestazione", healthy.left(100)},
        {"intestazione incompleta", healthy.left(50)},
        {"pagina azzerata", replaced(middle, QByteArray(page, '\0'))},
        {"pagina di rumore", replaced(middle, noise(page))},
        {"firma cancellata", replaced(0, QByteArray(16, 'X'))},
        {"schema cancellato", replaced(100, noise(page - 100))},
    };
    QList<Variant> variants;
    for (qsizetype i = 0; i < damaged.size(); ++i) {
        const QString path = folder + QString("/danneggiato-%1.sqlite").arg(i);
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(damaged[i].second) != damaged[i].second.size())
            return {};
        variants.append({damaged[i].first, path});
    }
    return variants;
}

} // namespace DamagedFiles
