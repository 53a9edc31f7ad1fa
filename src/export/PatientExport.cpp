#include "PatientExport.h"

#include "Clock.h"
#include "Csv.h"
#include "PatientLines.h"
#include "PatientSheet.h"
#include "Store.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QSaveFile>

namespace {

PatientLines::DentistName dentistNames(const Store& store)
{
    return [&store](qint64 id) {
        const std::optional<Dentist> d = store.dentist(id);
        return d ? d->name : QString();
    };
}

QString unwritable(const QString& path)
{
    return QStringLiteral("Impossibile scrivere il file ") + QDir::toNativeSeparators(path) + u'.';
}

std::optional<QString> pdfInto(const Store& store, const PatientRecord& record, const QString& path)
{
    const PatientSheet::Sheet sheet{store.studioName(), record.name, Clock::today(),
                                    PatientLines::of(record, dentistNames(store))};
    if (!PatientSheet::writePdf(sheet, path))
        return unwritable(path);
    return std::nullopt;
}

std::optional<QString> csvInto(const Store& store, const PatientRecord& record, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(PatientExport::csv(store, record)) < 0 || !file.commit())
        return unwritable(path);
    return std::nullopt;
}

// The patient's data left the agenda: the log says in which formats and how much. The file names carry
// the name, so they go with it among the personal texts, which an anonymisation replaces.
void logExport(Store& store, const PatientRecord& record, const QStringList& paths)
{
    QJsonArray formats;
    QJsonArray files;
    for (const QString& path : paths) {
        formats.append(QFileInfo(path).suffix().toLower());
        files.append(QFileInfo(path).fileName());
    }
    (void)store.logEvent(QStringLiteral("export"), QStringLiteral("patient"),
                         QJsonObject{{QStringLiteral("formats"), formats},
                                     {QStringLiteral("appointments"), qint64(record.visits.size())},
                                     {QStringLiteral("waiting"), qint64(record.waiting.size())},
                                     {QStringLiteral("recalls"), qint64(record.recalls.size())}},
                         QJsonObject{{QStringLiteral("patient"), record.name}, {QStringLiteral("files"), files}});
}

} // namespace

namespace PatientExport {

QString baseName(const QString& patient, const QDate& day)
{
    QString name = patient.simplified();
    for (QChar& c : name)
        if (QStringLiteral("/\\:*?\"<>|").contains(c) || c.category() == QChar::Other_Control)
            c = u'_';
    while (name.startsWith(u'.'))
        name.remove(0, 1);
    if (name.isEmpty())
        name = QStringLiteral("Paziente");
    return name + u' ' + day.toString(QStringLiteral("yyyy-MM-dd"));
}

QByteArray csv(const Store& store, const PatientRecord& record)
{
    QList<QStringList> rows{PatientLines::header()};
    for (const PatientLines::Line& line : PatientLines::of(record, dentistNames(store)))
        rows.append(PatientLines::fields(line));
    return Csv::document(rows);
}

std::optional<QString> writePdf(Store& store, const PatientRecord& record, const QString& path)
{
    if (std::optional<QString> failure = pdfInto(store, record, path))
        return failure;
    logExport(store, record, {path});
    return std::nullopt;
}

std::optional<QString> writeCsv(Store& store, const PatientRecord& record, const QString& path)
{
    if (std::optional<QString> failure = csvInto(store, record, path))
        return failure;
    logExport(store, record, {path});
    return std::nullopt;
}

std::optional<QString> writeFolder(Store& store, const PatientRecord& record, const QString& folder,
                                   QStringList* written)
{
    const QString base = QDir(folder).filePath(baseName(record.name, Clock::today()));
    const QStringList paths{base + QStringLiteral(".pdf"), base + QStringLiteral(".csv")};
    if (std::optional<QString> failure = pdfInto(store, record, paths[0]))
        return failure;
    if (std::optional<QString> failure = csvInto(store, record, paths[1])) {
        QFile::remove(paths[0]); // the two go together, or neither
        return failure;
    }
    logExport(store, record, paths);
    if (written)
        *written = paths;
    return std::nullopt;
}

} // namespace PatientExport
