#include "LargeDatabase.h"

#include "Cal.h"
#include "Database.h"
#include "Schedule.h"
#include "SeededGenerator.h"
#include "Store.h"

#include <array>

namespace {

constexpr std::array firstNames{"Giulia", "Marco", "Chiara", "Luca", "Francesca", "Paolo", "Elena", "Andrea",
                                "Sara", "Matteo", "Valentina", "Davide", "Martina", "Stefano", "Alessia",
                                "Roberto", "Federica", "Simone", "Laura", "Giorgio", "Anna", "Nicolò", "Ilaria",
                                "Tommaso", "Beatrice", "Lorenzo", "Sofia", "Riccardo", "Camilla", "Emanuele",
                                "Aurora", "Gabriele", "Noemi", "Pietro", "Greta", "Filippo", "Elisa", "Michele",
                                "Rosa", "Antonio"};
constexpr std::array surnames{"Rossi", "Russo", "Ferrari", "Esposito", "Bianchi", "Romano", "Colombo", "Ricci",
                              "Marino", "Greco", "Bruno", "Gallo", "Conti", "De Luca", "Mancini", "Costa",
                              "Giordano", "Rizzo", "Lombardi", "Moretti", "Barbieri", "Fontana", "Santoro",
                              "Mariani", "Rinaldi", "Caruso", "Ferrara", "Galli", "Martini", "Leone", "Longo",
                              "Gentile", "Martinelli", "Vitale", "Lombardo", "Serra", "Coppola", "De Santis",
                              "D'Angelo", "Marchetti"};
constexpr std::array extraTreatments{"Controllo impianto", "Bite notturno", "Ablazione tartaro", "Corona in ceramica",
                                     "Rimozione punti", "Faccette", "Sigillatura"};
constexpr std::array notes{"Portare radiografie precedenti", "Paziente ansioso, prevedere più tempo",
                           "Allergia al lattice", "Richiamare il giorno prima", "Preventivo da consegnare",
                           "Accompagnato da un genitore", "Pagamento a rate concordato"};
constexpr std::array gaps{0, 0, 0, 0, 15};
constexpr std::array lengths{15, 30, 30, 30, 30, 45};

template <typename T, size_t N>
T pick(SeededGenerator& g, const std::array<T, N>& list)
{
    return list[g.next(N)];
}

} // namespace

namespace LargeDatabase {

Options fullTwentyYears()
{
    Options options;
    options.first = QDate(2007, 1, 1);
    options.last = QDate(2026, 12, 31);
    options.perDay = Schedule::slotCount;
    options.everyQuarterHour = true;
    return options;
}

qint64 fill(Database& db, const Options& options)
{
    SeededGenerator g(options.seed);
    const QList<qint64> dentists =
        db.query(QStringLiteral("SELECT id FROM dentists ORDER BY position"), {}, [](const SQLRow& r) { return r.integer(0); });
    const QStringList& defaults = Store::defaultTreatments();
    const QString insert = QStringLiteral(
        "INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient, phone, treatment, notes)\n"
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    qint64 written = 0;
    db.transaction([&] {
        for (QDate day = options.first; day <= options.last; day = day.addDays(1)) {
            if (!Cal::isWorkday(day))
                continue;
            const QString key = Cal::dayKey(day);
            for (const qint64 dentist : dentists) {
                int t = Schedule::openingMinutes;
                for (int n = 0; n < options.perDay; ++n) {
                    const int start = options.everyQuarterHour ? t : t + pick(g, gaps);
                    const int end = start + (options.everyQuarterHour ? Schedule::slotMinutes : pick(g, lengths));
                    if (end > Schedule::closingMinutes)
                        break;
                    const QString patient =
                        QString::fromUtf8(pick(g, firstNames)) + u' ' + QString::fromUtf8(pick(g, surnames));
                    const QString phone = g.next(4) == 0 ? QString()
                                                         : QStringLiteral("3%1 %2").arg(g.next(90) + 10).arg(g.next(9000000) + 1000000);
                    const QString treatment = g.next(8) == 0 ? QString::fromUtf8(pick(g, extraTreatments))
                                                             : defaults[qsizetype(g.next(quint64(defaults.size())))];
                    const QString note = g.next(7) == 0 ? QString::fromUtf8(pick(g, notes)) : QString();
                    db.run(insert, {dentist, key, start, end - start, patient, phone, treatment, note});
                    ++written;
                    t = end;
                }
            }
        }
    });
    return written;
}

} // namespace LargeDatabase

namespace LargeDatabase {

Census census(Database& db)
{
    const auto number = [&db](const QString& sql) {
        return db.query(sql, {}, [](const SQLRow& row) { return row.integer(0); }).value(0);
    };
    const auto text = [&db](const QString& sql) {
        return db.query(sql, {}, [](const SQLRow& row) { return row.text(0); }).value(0);
    };
    Census c;
    c.appointments = number(QStringLiteral("SELECT COUNT(*) FROM appointments"));
    c.workingDays = number(QStringLiteral("SELECT COUNT(DISTINCT day) FROM appointments"));
    c.dentists = number(QStringLiteral("SELECT COUNT(DISTINCT dentist_id) FROM appointments"));
    c.overlaps = number(QStringLiteral(
        "SELECT COUNT(*) FROM appointments a JOIN appointments b ON a.dentist_id = b.dentist_id AND a.day = b.day "
        "AND a.id < b.id AND a.start_min < b.start_min + b.duration_min AND b.start_min < a.start_min + a.duration_min"));
    c.broken = number(QStringLiteral(
        "SELECT COUNT(*) FROM appointments WHERE trim(patient) = '' OR strftime('%w', day) IN ('0', '6') "
        "OR date(day) IS NOT day OR start_min < 540 OR start_min + duration_min > 1185 OR start_min % 15 <> 0 "
        "OR duration_min < 15 OR duration_min % 15 <> 0"));
    c.patients = number(QStringLiteral("SELECT COUNT(DISTINCT patient) FROM appointments"));
    c.treatments = number(QStringLiteral("SELECT COUNT(DISTINCT treatment) FROM appointments WHERE treatment <> ''"));
    c.withPhone = number(QStringLiteral("SELECT COUNT(*) FROM appointments WHERE phone <> ''"));
    c.withNotes = number(QStringLiteral("SELECT COUNT(*) FROM appointments WHERE notes <> ''"));
    c.firstDay = text(QStringLiteral("SELECT MIN(day) FROM appointments"));
    c.lastDay = text(QStringLiteral("SELECT MAX(day) FROM appointments"));
    return c;
}

} // namespace LargeDatabase
