#include "Settings.h"

#include "Database.h"

namespace Settings {

QString studioName(Database& db)
{
    const QStringList values = db.query(QStringLiteral("SELECT value FROM settings WHERE key = 'studio_name'"), {},
                                        [](const SQLRow& row) { return row.text(0); });
    return values.isEmpty() ? QString() : values.first();
}

void setStudioName(Database& db, const QString& name)
{
    db.run(QStringLiteral("INSERT OR REPLACE INTO settings (key, value) VALUES ('studio_name', ?)"),
           {name.trimmed()});
}

} // namespace Settings
