#pragma once

#include <QList>
#include <QPair>
#include <QString>

// The acts the activity log records, by the key stored in each entry, with their Italian names: one table
// for the log window, the appointment's history and the patient's sheet.
namespace ActivityActions {

// Every act as (key, name), in the order a filter menu shows them.
[[nodiscard]] const QList<QPair<QString, QString>>& all();
// The Italian name of an act, e.g. "Spostamento" for 'move'; the key itself when unknown.
[[nodiscard]] QString label(const QString& action);

} // namespace ActivityActions
