#include "ServerIndexSource.h"

#include "AppointmentColumns.h"
#include "PgConnection.h"

namespace {

constexpr int rowsPerFetch = 20000;

} // namespace

namespace ServerIndexSource {

std::unique_ptr<SearchIndex> load(const ConnectionLine& line, const std::atomic<bool>& cancel)
{
    try {
        const std::unique_ptr<PgConnection> c = PgConnection::open(line);
        auto index = std::make_unique<SearchIndex>();
        bool cancelled = false;
        c->transaction([&] {
            c->execute(QStringLiteral("DECLARE calvora_index NO SCROLL CURSOR FOR SELECT ") + AppointmentColumns::indexed
                       + QStringLiteral(" FROM appointments"));
            const QString fetch = QStringLiteral("FETCH %1 FROM calvora_index").arg(rowsPerFetch);
            for (;;) {
                if (cancel.load()) {
                    cancelled = true;
                    return;
                }
                const PgResult r = c->query(fetch);
                if (r.rows() == 0)
                    break;
                for (int i = 0; i < r.rows(); ++i) {
                    const QByteArray day = r.text(i, 1).toUtf8();
                    const QByteArray patient = r.text(i, 3).toUtf8();
                    const QByteArray phone = r.text(i, 4).toUtf8();
                    const QByteArray treatment = r.text(i, 5).toUtf8();
                    index->append({r.integer(i, 0), day, r.integer(i, 2), patient, phone, treatment});
                }
            }
        }, QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
        if (cancelled)
            return nullptr;
        index->finish();
        return index;
    } catch (const DatabaseError&) {
        return nullptr;
    }
}

} // namespace ServerIndexSource
