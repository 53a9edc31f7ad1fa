// Store::save, validate, move, delete and search with arbitrary texts and numbers: nothing typed can
// reach SQLite except as a bound parameter, texts are stored as given (trimmed), and the booking rules
// hold whatever comes in.

#include "Cal.h"
#include "Clock.h"
#include "Database.h"
#include "FuzzText.h"
#include "FileStore.h"
#include "Store.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <limits>

namespace {

struct Fixture {
    Clock::Pin clock{QDateTime(QDate(2024, 12, 4), QTime(10, 0))};
    Database db{QStringLiteral(":memory:")};
    FileStore store{db};
};

qint64 integer(Database& db, const char* sql)
{
    return db.query(QString::fromUtf8(sql), {}, [](const SQLRow& r) { return r.integer(0); }).value(0, -1);
}

QString text(FuzzedDataProvider& in, size_t maxBytes)
{
    const bool utf16 = in.ConsumeBool();
    const std::string bytes = in.ConsumeRandomLengthString(maxBytes);
    return FuzzText::fromBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), utf16);
}

int minutes(FuzzedDataProvider& in)
{
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
        return 540 + 15 * in.ConsumeIntegralInRange(0, 42);
    case 1:
        return in.ConsumeIntegralInRange(-2000, 3000);
    case 2:
        return in.PickValueInArray({std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), 0, -1});
    default:
        return in.ConsumeIntegral<int>();
    }
}

QString dayKey(FuzzedDataProvider& in)
{
    if (in.ConsumeBool())
        return Cal::dayKey(QDate(2024, 12, 2).addDays(in.ConsumeIntegralInRange(-400, 400)));
    return text(in, 24);
}

const char* const overlaps = "SELECT COUNT(*) FROM appointments a JOIN appointments b ON a.dentist_id = b.dentist_id "
                             "AND a.day = b.day AND a.id < b.id AND a.start_min < b.start_min + b.duration_min "
                             "AND b.start_min < a.start_min + a.duration_min";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Fixture* f = new Fixture; // lives for the whole run, like the program's one Store
    Store& store = f->store;
    Database& db = f->db;
    static const qint64 schemaObjects = integer(db, "SELECT COUNT(*) FROM sqlite_master");
    FuzzedDataProvider in(data, size);

    while (in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegralInRange(0, 4)) {
        case 0:
        case 1: {
            Appointment a;
            a.id = in.ConsumeBool() ? 0 : in.ConsumeIntegralInRange<qint64>(-2, 50);
            a.dentistId = in.ConsumeIntegralInRange<qint64>(0, 4);
            a.day = dayKey(in);
            a.startMinutes = minutes(in);
            a.durationMinutes = in.ConsumeBool() ? 15 * in.ConsumeIntegralInRange(1, 16) : minutes(in);
            a.patient = text(in, 200);
            a.phone = text(in, 40);
            a.treatment = text(in, 60);
            a.notes = text(in, in.ConsumeBool() ? 64 : 70000);
            const bool insert = a.id == 0;
            const qint64 before = integer(db, "SELECT MAX(id) FROM appointments");
            if (store.save(a))
                break;
            // Stored exactly as given, trimmed (as far as UTF-8 can carry the text).
            const qint64 id = insert ? integer(db, "SELECT MAX(id) FROM appointments") : a.id;
            if (insert && id <= before)
                std::abort();
            const auto rows = db.query(QStringLiteral("SELECT patient, phone, treatment, notes FROM appointments "
                                                      "WHERE id = ?"),
                                       {id}, [](const SQLRow& r) {
                                           return QStringList{r.text(0), r.text(1), r.text(2), r.text(3)};
                                       });
            const auto utf8 = [](const QString& s) { return QString::fromUtf8(s.trimmed().toUtf8()); };
            if (!rows.isEmpty()
                && rows.first() != QStringList{utf8(a.patient), utf8(a.phone), utf8(a.treatment), utf8(a.notes)})
                std::abort();
            if (rows.isEmpty() && insert)
                std::abort();
            break;
        }
        case 2: {
            const QList<Appointment> found = store.search(text(in, 300));
            if (found.size() > 200)
                std::abort();
            break;
        }
        case 3:
            (void)store.move(in.ConsumeIntegralInRange<qint64>(0, 50), QDate(2024, 12, 2).addDays(in.ConsumeIntegralInRange(-3, 10)),
                             in.ConsumeIntegralInRange<qint64>(0, 4), minutes(in));
            break;
        default: {
            Appointment a;
            a.id = in.ConsumeIntegralInRange<qint64>(0, 50);
            store.deleteAppointment(a);
            break;
        }
        }
        // Whatever was typed, the rules hold and the schema is the program's own.
        if (integer(db, overlaps) != 0 || integer(db, "SELECT COUNT(*) FROM sqlite_master") != schemaObjects)
            std::abort();
        if (integer(db, "SELECT COUNT(*) FROM appointments WHERE start_min < 540 OR start_min + duration_min > 1185 "
                        "OR start_min % 15 <> 0 OR duration_min < 15 OR duration_min % 15 <> 0 OR dentist_id NOT IN "
                        "(1, 2, 3) OR trim(patient) = ''")
            != 0)
            std::abort();
    }
    store.setAlertMessage(std::nullopt);
    if (integer(db, "SELECT COUNT(*) FROM appointments") > 300)
        db.execute(QStringLiteral("DELETE FROM appointments"));
    return 0;
}
