#pragma once

#include <QString>

class PgConnection;

// The activity log's part of the server's tables (schema version 4): the log, its head, the functions
// that seal each entry exactly as ActivityChain::hash does, and the triggers that log every change of
// the agenda's tables whoever makes it.
namespace ServerLogSchema {

// The SQL of the step from version 3 to version 4.
[[nodiscard]] QString version4();

// The SQL of the log's part of the step from version 4 to version 5 (recalls).
[[nodiscard]] QString version5();
// The anonymisation function's signature, as to_regprocedure() takes it (a log guarded by an earlier
// version has an older one, or none).
[[nodiscard]] QString anonymiseFunction();

// The SQL the server's administrator runs once as the superuser to guard the log (calvora
// --print-log-guard prints it): complete, in one transaction, and harmless to run again, which a log
// guarded by an earlier version needs to get the functions added since.
[[nodiscard]] QString guardStep();

// A log made by an earlier program, before anonymisations or recalls existed, gets the functions that know
// them, provided this role still owns it (once guarded, only the server's administrator could).
void completeLog(PgConnection& c);

// The patients' names an entry holds, folded as the activity window's filter folds them, one per line.
[[nodiscard]] QString patientNames();
// Indexes them by trigrams, once, provided this role still owns the log, so that a name found in few
// entries or none is answered without reading the log; without the index the filter reads it as before.
void indexPatients(PgConnection& c);

} // namespace ServerLogSchema
