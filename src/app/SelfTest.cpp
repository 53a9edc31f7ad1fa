#include "SelfTest.h"

#include "Backup.h"
#include "Cal.h"
#include "Clock.h"
#include "Database.h"
#include "DemoData.h"
#include "PrintService.h"
#include "RestoredCopy.h"
#include "SqliteArchive.h"
#include "Store.h"

#include <QDir>
#include <QFileInfo>

#include <memory>

namespace {

// A failed expectation inside a check: its text follows "ERRORE ".
struct CheckFailure {
    QString reason;
};

void expect(bool condition, const QString& reason)
{
    if (!condition)
        throw CheckFailure{reason};
}

template <typename T>
void expectEqual(const T& actual, const T& expected, const QString& what)
{
    if (!(actual == expected))
        throw CheckFailure{what};
}

void expectMessage(const std::optional<QString>& actual, const std::optional<QString>& expected, const QString& what)
{
    if (actual != expected)
        throw CheckFailure{what + QStringLiteral(": ottenuto «") + actual.value_or(QStringLiteral("nessun messaggio"))
                           + QStringLiteral("»")};
}

qint64 count(Database& db, const QString& sql)
{
    return db.query(sql, {}, [](const SQLRow& r) { return r.integer(0); }).value(0, -1);
}

QString text(Database& db, const QString& sql)
{
    return db.query(sql, {}, [](const SQLRow& r) { return r.text(0); }).value(0);
}

class Runner {
public:
    explicit Runner(QTextStream& out) : m_out(out) {}

    void check(const QString& what, const std::function<void()>& body)
    {
        try {
            body();
            m_out << "OK    " << what << '\n';
        } catch (const CheckFailure& failure) {
            fail(what, failure.reason);
        } catch (const DatabaseError& error) {
            fail(what, error.message());
        } catch (const std::exception& error) {
            fail(what, QString::fromLocal8Bit(error.what()));
        }
        m_out.flush();
    }

    [[nodiscard]] int failures() const { return m_failures; }

private:
    void fail(const QString& what, const QString& reason)
    {
        ++m_failures;
        m_out << "ERRORE " << what << " (" << reason << ")\n";
    }

    QTextStream& m_out;
    int m_failures = 0;
};

Appointment booking(qint64 dentist, const QDate& day, int start, int duration, const QString& patient)
{
    return Appointment{0, dentist, Cal::dayKey(day), start, duration, patient, {}, {}, {}};
}

// What the checks share: the scratch archive, the store on it and the week they book in.
class Context {
public:
    Context(const QString& scratch, const QString& output, const SelfTest::Options& given)
        : scratchFolder(scratch)
        , outputFolder(output)
        , options(given)
    {
    }

    // The store on the scratch archive, made on first use and showing the checks' week.
    Store& store()
    {
        if (!m_store) {
            m_archive = std::make_unique<SqliteArchive>(*db);
            m_store = std::make_unique<Store>(*m_archive);
            m_store->setAnchor(wednesday);
            m_store->reload();
        }
        return *m_store;
    }

    const QString scratchFolder;
    const QString outputFolder;
    const SelfTest::Options& options;
    // A fixed week keeps every check independent of the day it runs on.
    const QDate monday = Cal::monday(Clock::today()).addDays(7);
    const QDate wednesday = monday.addDays(2);
    std::unique_ptr<Database> db;

private:
    std::unique_ptr<SqliteArchive> m_archive;
    std::unique_ptr<Store> m_store;
};

QString databasePath(const QString& scratchFolder)
{
    return scratchFolder + QStringLiteral("/calvora.sqlite");
}

struct Check {
    QString what;
    std::function<void(Context&)> body;
};

void openDatabase(Context& c)
{
    c.db = std::make_unique<Database>(databasePath(c.scratchFolder));
    if (c.options.afterOpen)
        c.options.afterOpen(*c.db);
    expectEqual(text(*c.db, QStringLiteral("PRAGMA journal_mode")), QStringLiteral("delete"), QStringLiteral("journal_mode"));
    expectEqual(count(*c.db, QStringLiteral("PRAGMA synchronous")), qint64(2), QStringLiteral("synchronous"));
    expectEqual(count(*c.db, QStringLiteral("PRAGMA foreign_keys")), qint64(1), QStringLiteral("foreign_keys"));
}

void schemaAndDefaults(Context& c)
{
    expectEqual(count(*c.db, QStringLiteral("PRAGMA user_version")), qint64(Database::schemaVersion), QStringLiteral("user_version"));
    QStringList names;
    for (const Dentist& d : c.store().dentists())
        names << d.name + u' ' + d.colorHex;
    expectEqual(names,
                QStringList{QStringLiteral("Dentista 1 #2E86DE"), QStringLiteral("Dentista 2 #27AE60"),
                            QStringLiteral("Dentista 3 #E67E22")},
                QStringLiteral("dentisti: ") + names.join(QStringLiteral(", ")));
    expectEqual(c.store().studioName(), QString(), QStringLiteral("nome dello studio"));
    expectEqual(count(*c.db, QStringLiteral("SELECT COUNT(*) FROM appointments")), qint64(0),
                QStringLiteral("appuntamenti presenti"));
}

void patientNameRule(Context& c)
{
    expectMessage(c.store().validate(booking(1, c.wednesday, 600, 30, QStringLiteral("  \n"))),
                  QStringLiteral("Inserire il nome del paziente."), QStringLiteral("nome vuoto"));
}

void weekdayRule(Context& c)
{
    const QString weekend = QStringLiteral("Lo studio riceve solo dal lunedì al venerdì.");
    Store& store = c.store();
    expectMessage(store.validate(booking(1, c.monday.addDays(5), 600, 30, QStringLiteral("Prova"))), weekend,
                  QStringLiteral("sabato"));
    expectMessage(store.validate(booking(1, c.monday.addDays(6), 600, 30, QStringLiteral("Prova"))), weekend,
                  QStringLiteral("domenica"));
    Appointment invalid = booking(1, c.wednesday, 600, 30, QStringLiteral("Prova"));
    invalid.day = QStringLiteral("2025-13-05");
    expectMessage(store.validate(invalid), weekend, QStringLiteral("giorno non valido"));
}

void openingHoursRule(Context& c)
{
    Store& store = c.store();
    expectMessage(store.validate(booking(1, c.wednesday, 1170, 30, QStringLiteral("Prova"))),
                  QStringLiteral("L'appuntamento deve essere compreso tra le 09:00 e le 19:45 (ora termina alle 20:00)."),
                  QStringLiteral("fine dopo le 19:45"));
    expectMessage(store.validate(booking(1, c.wednesday, 525, 30, QStringLiteral("Prova"))),
                  QStringLiteral("L'appuntamento deve essere compreso tra le 09:00 e le 19:45 (ora termina alle 09:15)."),
                  QStringLiteral("inizio prima delle 09:00"));
    expectMessage(store.validate(booking(1, c.wednesday, 1170, 15, QStringLiteral("Prova"))), std::nullopt,
                  QStringLiteral("ultimo quarto d'ora"));
}

void quarterHourRule(Context& c)
{
    const QString grid = QStringLiteral("Orario e durata devono essere multipli di 15 minuti.");
    Store& store = c.store();
    expectMessage(store.validate(booking(1, c.wednesday, 545, 30, QStringLiteral("Prova"))), grid, QStringLiteral("inizio 09:05"));
    expectMessage(store.validate(booking(1, c.wednesday, 540, 20, QStringLiteral("Prova"))), grid, QStringLiteral("durata 20"));
    expectMessage(store.validate(booking(1, c.wednesday, 540, 0, QStringLiteral("Prova"))), grid, QStringLiteral("durata 0"));
}

void overlapRule(Context& c)
{
    Store& store = c.store();
    expectMessage(store.save(booking(1, c.wednesday, 600, 30, QStringLiteral("Anna Verdi"))), std::nullopt,
                  QStringLiteral("primo appuntamento"));
    expectMessage(store.save(booking(1, c.wednesday, 615, 30, QStringLiteral("Luca Neri"))),
                  QStringLiteral("Dentista 1 ha già un appuntamento 10:00–10:30 (Anna Verdi)."),
                  QStringLiteral("sovrapposizione"));
    expectMessage(store.validate(booking(1, c.wednesday, 630, 30, QStringLiteral("Luca Neri"))), std::nullopt,
                  QStringLiteral("appuntamento che inizia alla fine dell'altro"));
    expectMessage(store.validate(booking(2, c.wednesday, 615, 30, QStringLiteral("Luca Neri"))), std::nullopt,
                  QStringLiteral("altro dentista"));
    expectEqual(count(*c.db, QStringLiteral("SELECT COUNT(*) FROM appointments")), qint64(1),
                QStringLiteral("appuntamenti scritti"));
}

void saveAndEdit(Context& c)
{
    Store& store = c.store();
    Appointment a = booking(2, c.wednesday, 660, 45, QStringLiteral("  Giulia Ferri \n"));
    a.phone = QStringLiteral(" 347 1234567 ");
    a.treatment = QStringLiteral("Igiene orale");
    expectMessage(store.save(a), std::nullopt, QStringLiteral("inserimento"));
    const QList<Appointment> day = store.appointments(c.wednesday, 2);
    expect(day.size() == 1 && day[0].patient == QStringLiteral("Giulia Ferri")
               && day[0].phone == QStringLiteral("347 1234567"),
           QStringLiteral("testi non ripuliti o appuntamento mancante"));
    Appointment changed = day[0];
    changed.notes = QStringLiteral("Portare lastre");
    expectMessage(store.save(changed), std::nullopt, QStringLiteral("modifica"));
    expectEqual(store.appointments(c.wednesday, 2).value(0).notes, QStringLiteral("Portare lastre"),
                QStringLiteral("nota non salvata"));
}

void moveAppointment(Context& c)
{
    Store& store = c.store();
    const Appointment anna = store.appointments(c.wednesday, 1).value(0);
    expect(store.move(anna.id, c.wednesday.addDays(1), 3, 720), QStringLiteral("spostamento rifiutato"));
    const Appointment moved = store.appointments(c.wednesday.addDays(1), 3).value(0);
    expect(moved.id == anna.id && moved.startMinutes == 720 && moved.durationMinutes == 30,
           QStringLiteral("spostamento non registrato"));
    expect(!store.move(anna.id, c.wednesday, 2, 675), QStringLiteral("spostamento sovrapposto accettato"));
    expectEqual(store.alertMessage().value_or(QString()),
                QStringLiteral("Impossibile spostare l'appuntamento di Anna Verdi.\nDentista 2 ha già un "
                               "appuntamento 11:00–11:45 (Giulia Ferri).\nI posti liberi più vicini sono "
                               "alle 10:30 e alle 11:45."),
                QStringLiteral("messaggio dello spostamento"));
    store.setAlertMessage(std::nullopt);
}

void deleteAppointment(Context& c)
{
    Store& store = c.store();
    const Appointment anna = store.appointments(c.wednesday.addDays(1), 3).value(0);
    store.deleteAppointment(anna);
    expect(!store.alertMessage(), QStringLiteral("errore nell'eliminazione"));
    expect(store.appointments(c.wednesday.addDays(1), 3).isEmpty(), QStringLiteral("appuntamento ancora presente"));
    expect(!store.move(anna.id, c.wednesday, 1, 540) && !store.alertMessage(),
           QStringLiteral("spostamento di un appuntamento eliminato"));
}

// A cancellation frees the slot and keeps the appointment, which comes back with its status; the check
// leaves the agenda as it found it.
void statusAndCancellation(Context& c)
{
    Store& store = c.store();
    expectMessage(store.save(booking(3, c.wednesday, 1080, 30, QStringLiteral("Prova Disdetta"))), std::nullopt,
                  QStringLiteral("prenotazione"));
    const Appointment a = store.appointments(c.wednesday, 3).value(0);
    expectMessage(store.setStatus(a.id, AppointmentStatus::Arrived), std::nullopt, QStringLiteral("cambio di stato"));
    expect(store.status(a.id).status == AppointmentStatus::Arrived, QStringLiteral("stato non salvato"));
    expectMessage(store.cancel(a, CancelledBy::Patient), std::nullopt, QStringLiteral("disdetta"));
    expect(store.appointments(c.wednesday, 3).isEmpty(), QStringLiteral("posto non liberato"));
    expectEqual(store.cancellations(c.wednesday, c.wednesday).value_or(QList<Cancellation>()).size(), qsizetype(1),
                QStringLiteral("disdette"));
    expectMessage(store.restoreCancelled(a.id), std::nullopt, QStringLiteral("ripristino"));
    expect(store.status(a.id).status == AppointmentStatus::Arrived, QStringLiteral("stato non ripristinato"));
    store.deleteAppointment(store.appointments(c.wednesday, 3).value(0));
    expect(store.appointments(c.wednesday, 3).isEmpty(), QStringLiteral("appuntamento di prova ancora presente"));
}

void search(Context& c)
{
    Store& store = c.store();
    expect(store.search(QStringLiteral(" g ")).isEmpty(), QStringLiteral("ricerca con una lettera"));
    expectEqual(store.search(QStringLiteral("gIuLiA")).size(), qsizetype(1), QStringLiteral("nome"));
    expectEqual(store.search(QStringLiteral("347")).size(), qsizetype(1), QStringLiteral("telefono"));
    expectEqual(store.search(QStringLiteral("igiene")).size(), qsizetype(1), QStringLiteral("prestazione"));
    expect(store.search(QStringLiteral("zzz")).isEmpty(), QStringLiteral("nessun risultato atteso"));
}

void treatmentSuggestions(Context& c)
{
    const QStringList suggestions = c.store().treatmentSuggestions();
    expect(suggestions.value(0) == QStringLiteral("Igiene orale") && suggestions.size() == 15,
           QStringLiteral("elenco: ") + suggestions.mid(0, 3).join(QStringLiteral(", ")));
}

void practiceSettings(Context& c)
{
    Store& store = c.store();
    QList<Dentist> dentists = store.dentists();
    dentists[0].name = QStringLiteral("  Dott. Bianchi ");
    dentists[1].name = QStringLiteral(" ");
    dentists[2].colorHex = QStringLiteral("#112233");
    expectMessage(store.saveSettings(QStringLiteral(" Studio Sorriso\n"), dentists), std::nullopt,
                  QStringLiteral("salvataggio"));
    expect(store.studioName() == QStringLiteral("Studio Sorriso")
               && store.dentists()[0].name == QStringLiteral("Dott. Bianchi")
               && store.dentists()[1].name == QStringLiteral("Dentista 2")
               && store.dentists()[2].colorHex == QStringLiteral("#112233"),
           QStringLiteral("valori salvati diversi"));
}

void backups(Context& c)
{
    Database& db = *c.db;
    const QString folder = Backup::folder(db);
    Backup::dailyIfNeeded(db);
    const QString daily = folder + QStringLiteral("/calvora-") + Cal::dayKey(Clock::today()) + QStringLiteral(".sqlite");
    expect(QFileInfo::exists(daily) && Database::isIntact(daily), QStringLiteral("backup giornaliero"));
    for (int i = 0; i < Backup::keptFiles; ++i) {
        QFile old(folder + QStringLiteral("/calvora-2000-01-01_") + QString::asprintf("%06d", i) + QStringLiteral(".sqlite"));
        expect(old.open(QIODevice::WriteOnly), QStringLiteral("file di prova"));
    }
    const QString onDemand = Backup::now(db);
    expect(Database::isIntact(onDemand), QStringLiteral("backup su richiesta"));
    const QStringList kept = QDir(folder).entryList({QStringLiteral("calvora-*.sqlite")}, QDir::Files);
    expectEqual(kept.size(), qsizetype(Backup::keptFiles), QStringLiteral("file conservati"));
    expect(!kept.contains(QStringLiteral("calvora-2000-01-01_000000.sqlite")) && kept.contains(QFileInfo(daily).fileName()),
           QStringLiteral("eliminato il file sbagliato"));
}

// A backup is worth what it restores: a fresh agenda made from it, in a folder of its own, holds what the
// agenda held.
void restoreBackup(Context& c)
{
    const QString backup = Backup::now(*c.db);
    const QString folder = c.scratchFolder + QStringLiteral("/ripristino");
    expect(QDir().mkpath(folder), QStringLiteral("impossibile creare ") + folder);
    const RestoredCopy::Counts source{count(*c.db, QStringLiteral("SELECT COUNT(*) FROM appointments")),
                                      count(*c.db, QStringLiteral("SELECT COUNT(*) FROM dentists"))};
    const RestoredCopy::Counts restored = RestoredCopy::restoreInto(backup, folder);
    expect(source.appointments > 0, QStringLiteral("nessun appuntamento da ripristinare"));
    expect(restored == source,
           QStringLiteral("il ripristino ha %1 appuntamenti e %2 dentisti invece di %3 e %4")
               .arg(restored.appointments)
               .arg(restored.dentists)
               .arg(source.appointments)
               .arg(source.dentists));
}

void reproducibleDemo(Context& c)
{
    const auto seeded = [&](const QString& name) {
        Database demo(c.scratchFolder + u'/' + name);
        SqliteArchive demoArchive(demo);
        Store demoStore(demoArchive);
        demoStore.setAnchor(c.wednesday);
        demoStore.reload();
        const int stored = DemoData::seed(demoStore);
        QList<Appointment> list = demoStore.weekAppointments();
        for (Appointment& a : list)
            a.id = 0;
        const int again = DemoData::seed(demoStore);
        return std::tuple(stored, list, again);
    };
    const auto [firstCount, first, firstAgain] = seeded(QStringLiteral("demo-1.sqlite"));
    const auto [secondCount, second, secondAgain] = seeded(QStringLiteral("demo-2.sqlite"));
    expect(firstCount > 0 && firstCount == secondCount && first == second, QStringLiteral("risultati diversi"));
    expect(firstAgain == 0 && secondAgain == 0, QStringLiteral("la seconda esecuzione ha aggiunto appuntamenti"));
}

Check printing(PrintLayout layout, const QString& what, int pages)
{
    return {what, [layout, pages](Context& c) {
                const SchedulePrintView view =
                    PrintService::makeView(c.store(), layout, PrintService::makePrintInfo(false));
                expectEqual(view.pageCount(), pages, QStringLiteral("numero di pagine"));
                expect(!view.appointments().isEmpty(), QStringLiteral("appuntamenti della settimana assenti"));
                const QString path = c.outputFolder + u'/' + PrintService::pdfFileName(layout);
                expect(PrintService::writePdf(c.store(), layout, path), QStringLiteral("impossibile scrivere ") + path);
                QFile pdf(path);
                expect(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-" && pdf.size() > 5000,
                       QStringLiteral("file PDF non valido"));
            }};
}

// In the order they run: each may rely on what the ones before it stored.
QList<Check> checks()
{
    return {
        {QStringLiteral("Creazione del database e impostazioni di SQLite"), openDatabase},
        {QStringLiteral("Schema versione 2, tre dentisti predefiniti, nome dello studio vuoto"), schemaAndDefaults},
        {QStringLiteral("Regola: nome del paziente obbligatorio"), patientNameRule},
        {QStringLiteral("Regola: solo dal lunedì al venerdì"), weekdayRule},
        {QStringLiteral("Regola: dalle 09:00 alle 19:45"), openingHoursRule},
        {QStringLiteral("Regola: orari e durate multipli di 15 minuti"), quarterHourRule},
        {QStringLiteral("Regola: nessuna sovrapposizione con lo stesso dentista"), overlapRule},
        {QStringLiteral("Salvataggio con testi ripuliti e modifica"), saveAndEdit},
        {QStringLiteral("Spostamento di un appuntamento"), moveAppointment},
        {QStringLiteral("Eliminazione"), deleteAppointment},
        {QStringLiteral("Stato, disdetta e ripristino"), statusAndCancellation},
        {QStringLiteral("Ricerca per paziente, telefono e prestazione"), search},
        {QStringLiteral("Suggerimenti delle prestazioni"), treatmentSuggestions},
        {QStringLiteral("Impostazioni dello studio e dei dentisti"), practiceSettings},
        {QStringLiteral("Backup giornaliero, backup su richiesta e conservazione degli ultimi 60"), backups},
        {QStringLiteral("Ripristino di un backup in una cartella di prova, con i conteggi controllati"), restoreBackup},
        {QStringLiteral("Dati dimostrativi riproducibili"), reproducibleDemo},
        printing(PrintLayout::WeekOnePage, QStringLiteral("Stampa della settimana su una pagina"), 1),
        printing(PrintLayout::WeekTwoPages, QStringLiteral("Stampa della settimana fronte/retro"), 2),
        printing(PrintLayout::Day, QStringLiteral("Stampa del giorno"), 1),
    };
}

} // namespace

namespace SelfTest {

int run(const QString& scratchFolder, const QString& outputFolder, QTextStream& out, const Options& options)
{
    if (QFileInfo::exists(databasePath(scratchFolder))) {
        out << "La cartella " << scratchFolder
            << " contiene già un archivio: per il controllo serve una cartella di prova vuota.\n";
        return 2;
    }
    if (!QDir().mkpath(scratchFolder) || !QDir().mkpath(outputFolder)) {
        out << "Impossibile creare le cartelle del controllo.\n";
        return 2;
    }

    Runner runner(out);
    Context context(scratchFolder, outputFolder, options);
    for (const Check& check : checks()) {
        runner.check(check.what, [&] { check.body(context); });
        if (!context.db)
            break; // nothing else can run without the archive
    }
    if (runner.failures() == 0) {
        out << "Tutti i controlli superati.\n";
        return 0;
    }
    out << runner.failures() << " controlli falliti.\n";
    return 1;
}

} // namespace SelfTest
