// restore_proof_time <data folder holding calvora.sqlite> [runs]: the restore proof of the settings
// ("Prova il ripristino…") on a backup of the folder's agenda, wall time, medians: the plain copy restored
// into a scratch folder and counted, the same copy encrypted for a fresh recovery key and proved with it
// (decrypted first), and only checked without it. Make the agendas with make_large_db [--full].
#include "Backup.h"
#include "Database.h"
#include "RecoveryKey.h"
#include "RestoreProof.h"
#include "RestoredCopy.h"
#include "SealedFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

RestoreProof::Counts restore(const QString& backup, const QString& folder)
{
    const RestoredCopy::Counts c = RestoredCopy::restoreInto(backup, folder);
    return {c.appointments, c.dentists};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream out(stdout);
    if (args.size() < 2) {
        out << "Uso: restore_proof_time <cartella dei dati con calvora.sqlite> [ripetizioni]\n";
        return 2;
    }
    const QString data = QDir(args[1]).absolutePath();
    const int runs = args.size() > 2 ? args[2].toInt() : 3;
    QString backup;
    {
        Database db(data + QStringLiteral("/calvora.sqlite"), Database::StructureCheck::Apart);
        backup = Backup::now(db);
    }
    QTemporaryDir place(data + QStringLiteral("/seconda-XXXXXX"));
    const RecoveryKey::Pair key = RecoveryKey::create();
    const QString sealed = place.filePath(QFileInfo(backup).fileName() + QStringLiteral(".cifrato"));
    SealedFile::seal(backup, sealed, key.publicKey);

    const auto time = [&](const QString& what, const QString& copy, const std::optional<QByteArray>& secret) {
        QList<double> wall;
        RestoreProof::Outcome outcome;
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer timer;
            timer.start();
            outcome = RestoreProof::prove(copy, secret, &restore);
            wall.append(double(timer.nsecsElapsed()) / 1e6);
        }
        out << what << ": " << median(wall) << " ms" << (outcome.proved ? "" : " (NON RIUSCITA)") << "\n  "
            << outcome.text << '\n';
    };
    out << "backup di " << QFile(backup).size() / (1024 * 1024) << " MB\n";
    time(QStringLiteral("prova del backup in chiaro"), backup, std::nullopt);
    time(QStringLiteral("prova della copia cifrata con la chiave"), sealed, key.secretKey);
    time(QStringLiteral("verifica della copia cifrata senza chiave"), sealed, std::nullopt);
    return 0;
}
