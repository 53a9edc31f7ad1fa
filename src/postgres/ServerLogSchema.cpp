// The activity log on the server, written by the server itself: whoever changes the agenda (this program,
// psql, another tool) leaves its entries in the same transaction as the change.
#include "ServerLogSchema.h"

#include "DatabaseError.h"
#include "PgConnection.h"

namespace {

// The log, its head (the last number and hash: the one row every appender locks, so that numbers have
// no gaps and each hash follows the one before) and the canonical form of an entry, field by field as
// ActivityChain::canonical writes it.
const char* const tables = R"SQL(
CREATE TABLE activity_log (
    n bigint PRIMARY KEY,
    at text NOT NULL,
    action text NOT NULL,
    target text NOT NULL,
    subject bigint,
    computer text NOT NULL,
    account text NOT NULL,
    operator text NOT NULL,
    client text NOT NULL,
    details text NOT NULL,
    personal text NOT NULL,
    personal_digest text NOT NULL,
    hash text NOT NULL
);
CREATE INDEX idx_activity_log_subject ON activity_log (target, subject);
CREATE INDEX idx_activity_log_at ON activity_log (at);
CREATE TABLE activity_head (
    one boolean PRIMARY KEY DEFAULT true CHECK (one),
    n bigint NOT NULL,
    hash text NOT NULL,
    xact bigint NOT NULL DEFAULT 0,
    action text NOT NULL DEFAULT ''
);
INSERT INTO activity_head (n, hash) VALUES (0, repeat('0', 64));
-- The functions find the tables in this schema only, whatever search path their caller set.
SELECT set_config('search_path', quote_ident(current_schema()) || ', pg_catalog, pg_temp', true);
-- Without settings of its own, so that the server inlines it (it calls nothing but built-ins).
CREATE FUNCTION calvora_log_field(f text) RETURNS text LANGUAGE sql IMMUTABLE AS $$
    SELECT replace(replace(coalesce(f, ''), E'\\', E'\\\\'), E'\n', E'\\n')
$$;
)SQL";

// Seals every entry, whatever the client sent: its number after the head's, the server's time, who is
// connected, the digest of the personal texts (with a salt when they came without one) and the hash
// chained to the previous entry. Runs as the log's owner, so a client that may only append still moves
// the head.
const char* const seal = R"SQL(
CREATE FUNCTION calvora_log_seal() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $$
DECLARE
    head record;
    personal jsonb := coalesce(nullif(NEW.personal, ''), '{}')::jsonb;
    rest text;
BEGIN
    IF NOT personal ? 'salt' THEN
        personal := personal || jsonb_build_object('salt', replace(gen_random_uuid()::text, '-', ''));
        NEW.personal := personal::text;
    END IF;
    NEW.at := to_char(clock_timestamp() AT TIME ZONE 'UTC', 'YYYY-MM-DD"T"HH24:MI:SS.MS"Z"');
    NEW.action := coalesce(NEW.action, '');
    NEW.target := coalesce(NEW.target, '');
    NEW.computer := coalesce(NEW.computer, '');
    NEW.account := coalesce(NEW.account, '');
    NEW.operator := coalesce(NEW.operator, '');
    NEW.client := concat_ws(' · ', session_user::text, nullif(current_setting('application_name', true), ''),
                            coalesce(host(inet_client_addr()), 'locale'));
    NEW.details := coalesce(nullif(NEW.details, ''), '{}');
    NEW.personal_digest := encode(sha256(convert_to(NEW.personal, 'UTF8')), 'hex');
    rest := concat_ws(E'\n', calvora_log_field(NEW.at), calvora_log_field(NEW.action), calvora_log_field(NEW.target),
        calvora_log_field(NEW.subject::text), calvora_log_field(NEW.computer), calvora_log_field(NEW.account),
        calvora_log_field(NEW.operator), calvora_log_field(NEW.client), calvora_log_field(NEW.details),
        calvora_log_field(NEW.personal_digest));
    -- One statement takes the next number and chains the hash (a hex hash and a number need no escaping).
    UPDATE activity_head SET n = activity_head.n + 1, xact = txid_current(), action = NEW.action,
        hash = encode(sha256(convert_to(activity_head.hash || E'\n' || (activity_head.n + 1)::text || E'\n' || rest,
                                        'UTF8')), 'hex')
        RETURNING activity_head.n, activity_head.hash INTO head;
    NEW.n := head.n;
    NEW.hash := head.hash;
    RETURN NEW;
END $$;
CREATE TRIGGER activity_log_sealed BEFORE INSERT ON activity_log
    FOR EACH ROW EXECUTE FUNCTION calvora_log_seal();
)SQL";

// Appends one entry with the program's context (set for its transaction, see ServerArchive) or, for a
// client that set none, as 'sql' with the client column alone saying who.
const char* const append = R"SQL(
CREATE FUNCTION calvora_log_append(fallback text, target text, subject bigint, details jsonb, personal jsonb)
RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $$
DECLARE
    program boolean := coalesce(current_setting('calvora.program', true), '') = 'on';
    act text := CASE WHEN program THEN coalesce(nullif(current_setting('calvora.action', true), ''), fallback)
                     ELSE 'sql' END;
BEGIN
    INSERT INTO activity_log (action, target, subject, computer, account, operator, details, personal)
    VALUES (act, target, subject,
            CASE WHEN program THEN coalesce(current_setting('calvora.computer', true), '') ELSE '' END,
            CASE WHEN program THEN coalesce(current_setting('calvora.account', true), '') ELSE '' END,
            CASE WHEN program THEN coalesce(current_setting('calvora.operator', true), '') ELSE '' END,
            details::text, personal::text);
END $$;
-- Whether the rows written now are a copy onto the server: an 'import' entry was appended earlier in
-- this transaction and nothing since. Its rows were booked elsewhere and leave no entries of their own.
-- Runs as the log's owner, who alone reads the head.
CREATE FUNCTION calvora_log_importing() RETURNS boolean LANGUAGE sql STABLE SECURITY DEFINER
SET search_path FROM CURRENT AS $$
    SELECT coalesce(current_setting('calvora.action', true), '') = 'import'
       AND EXISTS (SELECT 1 FROM activity_head WHERE action = 'import' AND xact = txid_current())
$$;
-- {"field": value} for each field of `fields`.
CREATE FUNCTION calvora_log_values(row_value jsonb, fields text[]) RETURNS jsonb
LANGUAGE sql IMMUTABLE AS $$
    SELECT coalesce(jsonb_object_agg(f, row_value -> f), '{}'::jsonb) FROM unnest(fields) AS f
$$;
-- {"field": [before, after]} for each field of `fields` that differs between two rows (either may be
-- NULL: an insert or a delete shows every field).
CREATE FUNCTION calvora_log_diff(old_row jsonb, new_row jsonb, fields text[]) RETURNS jsonb
LANGUAGE sql IMMUTABLE AS $$
    SELECT coalesce(jsonb_object_agg(f, jsonb_build_array(old_row -> f, new_row -> f)), '{}'::jsonb)
    FROM unnest(fields) AS f
    WHERE old_row -> f IS DISTINCT FROM new_row -> f
$$;
)SQL";

// An anonymisation: the records' personal texts and the log's copies of them replaced, then one entry
// that lists the entries changed, never the name. Runs as the log's owner, the only one who may change
// an entry; while it runs the records' own triggers stay silent (their entries would copy the name).
const char* const anonymise = R"SQL(
CREATE FUNCTION calvora_log_anonymising() RETURNS boolean LANGUAGE sql STABLE SECURITY DEFINER
SET search_path FROM CURRENT AS $$
    SELECT EXISTS (SELECT 1 FROM activity_head WHERE action = 'anonymising' AND xact = txid_current())
$$;
CREATE FUNCTION calvora_log_neutral(t text) RETURNS text LANGUAGE sql IMMUTABLE AS $$
    SELECT CASE WHEN coalesce(t, '') = '' THEN t ELSE 'Paziente anonimizzato' END
$$;
CREATE FUNCTION calvora_log_neutral_value(v jsonb) RETURNS jsonb LANGUAGE sql IMMUTABLE AS $$
    SELECT CASE jsonb_typeof(v)
        WHEN 'string' THEN to_jsonb(calvora_log_neutral(v #>> '{}'))
        WHEN 'array' THEN (SELECT coalesce(jsonb_agg(CASE WHEN jsonb_typeof(e) = 'string'
                                                          THEN to_jsonb(calvora_log_neutral(e #>> '{}')) ELSE e END
                                                     ORDER BY i), '[]'::jsonb)
                           FROM jsonb_array_elements(v) WITH ORDINALITY AS x(e, i))
        ELSE v END
$$;
-- The version before recalls, replaced by the one below.
DROP FUNCTION IF EXISTS calvora_log_anonymise(bigint[], bigint[], bigint[], bigint[], jsonb);
CREATE FUNCTION calvora_log_anonymise(appointment_ids bigint[], cancelled_ids bigint[], waiting_ids bigint[],
                                      recall_ids bigint[], entries bigint[], facts jsonb) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $$
DECLARE
    program boolean := coalesce(current_setting('calvora.program', true), '') = 'on';
    changed jsonb;
BEGIN
    UPDATE activity_head SET action = 'anonymising', xact = txid_current();
    UPDATE appointments SET patient = calvora_log_neutral(patient), phone = calvora_log_neutral(phone),
        treatment = calvora_log_neutral(treatment), notes = calvora_log_neutral(notes)
        WHERE id = ANY(appointment_ids);
    UPDATE cancelled_appointments SET patient = calvora_log_neutral(patient), phone = calvora_log_neutral(phone),
        treatment = calvora_log_neutral(treatment), notes = calvora_log_neutral(notes),
        reason = calvora_log_neutral(reason)
        WHERE id = ANY(cancelled_ids);
    UPDATE waiting_list SET patient = calvora_log_neutral(patient), phone = calvora_log_neutral(phone),
        note = calvora_log_neutral(note)
        WHERE id = ANY(waiting_ids);
    UPDATE recalls SET patient = calvora_log_neutral(patient), phone = calvora_log_neutral(phone)
        WHERE id = ANY(recall_ids);
    WITH done AS (
        UPDATE activity_log SET personal = (
            SELECT jsonb_object_agg(key, CASE WHEN key = 'salt' THEN value ELSE calvora_log_neutral_value(value) END)
            FROM jsonb_each(personal::jsonb))::text
        WHERE n = ANY(entries) AND personal::jsonb <> '{}'::jsonb
        RETURNING n)
    SELECT coalesce(jsonb_agg(n ORDER BY n), '[]'::jsonb) INTO changed FROM done;
    -- Always 'anonymise', whoever calls: the log's check accepts the replaced texts on its word alone.
    INSERT INTO activity_log (action, target, subject, computer, account, operator, details, personal)
    VALUES ('anonymise', 'patient', NULL,
            CASE WHEN program THEN coalesce(current_setting('calvora.computer', true), '') ELSE '' END,
            CASE WHEN program THEN coalesce(current_setting('calvora.account', true), '') ELSE '' END,
            CASE WHEN program THEN coalesce(current_setting('calvora.operator', true), '') ELSE '' END,
            (facts || jsonb_build_object('entries', changed))::text, '{}');
END $$;
)SQL";

// What each table's change leaves. The moves of a cancellation and of its restore leave one entry, the
// cancelled row's: the appointment and status rows that move with it, and a status removed with its
// appointment, leave none of their own.
const char* const rows = R"SQL(
CREATE FUNCTION calvora_log_row() RETURNS trigger LANGUAGE plpgsql SET search_path FROM CURRENT AS $$
DECLARE
    o jsonb := CASE WHEN TG_OP <> 'INSERT' THEN to_jsonb(OLD) END;
    r jsonb := CASE WHEN TG_OP <> 'DELETE' THEN to_jsonb(NEW) END;
    any_row jsonb := coalesce(r, o);
    verb text := lower(TG_OP);
    details jsonb;
    personal jsonb := '{}';
    target text;
    subject bigint;
BEGIN
    IF calvora_log_importing() OR calvora_log_anonymising() THEN
        RETURN NULL;
    END IF;
    IF TG_TABLE_NAME = 'appointments' THEN
        subject := (any_row ->> 'id')::bigint;
        IF EXISTS (SELECT 1 FROM cancelled_appointments c WHERE c.id = subject) THEN
            RETURN NULL;
        END IF;
        target := 'appointment';
        details := calvora_log_diff(o, r, ARRAY['day', 'start_min', 'duration_min', 'dentist_id']);
        personal := calvora_log_diff(o, r, ARRAY['patient', 'phone', 'treatment', 'notes']);
    ELSIF TG_TABLE_NAME = 'appointment_status' THEN
        subject := (any_row ->> 'appointment_id')::bigint;
        IF NOT EXISTS (SELECT 1 FROM appointments a WHERE a.id = subject)
                OR EXISTS (SELECT 1 FROM cancelled_appointments c WHERE c.id = subject) THEN
            RETURN NULL;
        END IF;
        target := 'status';
        -- A status is born awaiting confirmation with no attempts: a first row says only what differs.
        details := calvora_log_diff(coalesce(o, '{"status": "da_confermare", "call_attempts": 0}'), r,
                                    ARRAY['status', 'call_attempts']);
    ELSIF TG_TABLE_NAME = 'cancelled_appointments' THEN
        subject := (any_row ->> 'id')::bigint;
        target := 'cancellation';
        IF TG_OP = 'INSERT' THEN
            verb := 'cancel';
        ELSIF TG_OP = 'DELETE' AND EXISTS (SELECT 1 FROM appointments a WHERE a.id = subject) THEN
            verb := 'restore';
        END IF;
        -- The cancelled row is the act's facts, as it stands (it is never edited).
        details := calvora_log_values(any_row, ARRAY['day', 'start_min', 'duration_min', 'dentist_id',
                                                     'cancelled_by', 'late', 'cancelled_at']);
        personal := calvora_log_values(any_row, ARRAY['reason', 'patient', 'phone', 'treatment', 'notes']);
    ELSIF TG_TABLE_NAME = 'waiting_list' THEN
        subject := (any_row ->> 'id')::bigint;
        target := 'waiting';
        details := calvora_log_diff(o, r, ARRAY['duration_min', 'dentist_id', 'weekdays', 'day_part', 'from_day',
                                                'until_day']);
        personal := calvora_log_diff(o, r, ARRAY['patient', 'phone', 'note']);
    ELSIF TG_TABLE_NAME = 'recalls' THEN
        subject := (any_row ->> 'id')::bigint;
        target := 'recall';
        details := calvora_log_diff(o, r, ARRAY['kind', 'due_day', 'months', 'last_visit', 'attempts',
                                                'last_attempt_at', 'paused_until', 'do_not_call', 'consent',
                                                'appointment_id']);
        personal := calvora_log_diff(o, r, ARRAY['patient', 'phone']);
    ELSIF TG_TABLE_NAME = 'dentists' THEN
        subject := (any_row ->> 'id')::bigint;
        target := 'dentist';
        details := calvora_log_diff(o, r, ARRAY['name', 'color', 'position']);
    ELSE
        target := 'setting';
        details := calvora_log_diff(o, r, ARRAY['value']);
        IF details <> '{}' THEN
            details := jsonb_build_object('key', any_row -> 'key') || details;
        END IF;
    END IF;
    -- A write that changed nothing the log keeps (a name saved as it was, a new moment of an update).
    IF details = '{}' AND personal = '{}' THEN
        RETURN NULL;
    END IF;
    PERFORM calvora_log_append(verb, target, subject, details, personal);
    RETURN NULL;
END $$;
CREATE FUNCTION calvora_log_truncate() RETURNS trigger LANGUAGE plpgsql SET search_path FROM CURRENT AS $$
BEGIN
    IF calvora_log_importing() THEN
        RETURN NULL;
    END IF;
    PERFORM calvora_log_append('truncate', TG_TABLE_NAME, NULL, jsonb_build_object('truncate', TG_TABLE_NAME),
                               '{}'::jsonb);
    RETURN NULL;
END $$;
)SQL";

// The row and truncate triggers of each table.
QString triggers(std::initializer_list<const char*> logged)
{
    QString sql;
    for (const char* table : logged) {
        const QString name = QString::fromLatin1(table);
        sql += QStringLiteral("CREATE TRIGGER %1_logged AFTER INSERT OR UPDATE OR DELETE ON %1 FOR EACH ROW "
                              "EXECUTE FUNCTION calvora_log_row();\n"
                              "CREATE TRIGGER %1_truncate_logged AFTER TRUNCATE ON %1 FOR EACH STATEMENT "
                              "EXECUTE FUNCTION calvora_log_truncate();\n")
                   .arg(name);
    }
    return sql;
}

// The administrator's step, as the PostgreSQL superuser, once the program has made its tables: the log,
// its head and its functions given to the role calvora_registro, which the program's role (the owner of
// the agenda's tables) cannot become; the program's role may then only append to the log and read it.
// It also gives the log the functions a later version added, which the program's role can no longer
// create once the log is guarded. Run again it changes nothing but the functions' bodies; the event
// trigger stands aside while it runs, and one entry says that it ran.
const char* const guardBegin = R"SQL(BEGIN;
DO $$ BEGIN
    IF to_regclass('activity_log') IS NULL OR to_regclass('appointments') IS NULL THEN
        RAISE EXCEPTION 'Questo database non contiene ancora l''archivio di Calvora: avvia Calvora una volta sul server, poi ripeti questo passo.';
    END IF;
    IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'calvora_registro') THEN
        CREATE ROLE calvora_registro NOLOGIN;
    END IF;
    IF EXISTS (SELECT 1 FROM pg_event_trigger WHERE evtname = 'calvora_ddl_logged') THEN
        ALTER EVENT TRIGGER calvora_ddl_logged DISABLE;
    END IF;
END $$;
SELECT set_config('search_path', quote_ident(current_schema()) || ', pg_catalog, pg_temp', true);
)SQL";

const char* const guardEnd = R"SQL(
-- What the program's role may still do to its own tables (drop or disable a logging trigger) is logged.
CREATE OR REPLACE FUNCTION calvora_log_ddl() RETURNS event_trigger LANGUAGE plpgsql SECURITY DEFINER
SET search_path FROM CURRENT AS $$
BEGIN
    INSERT INTO activity_log (action, target, computer, account, operator, details, personal)
    SELECT 'ddl', 'schema', '', '', '', jsonb_build_object('command', TG_TAG, 'objects',
           coalesce((SELECT jsonb_agg(object_identity) FROM pg_event_trigger_ddl_commands()), '[]'))::text, '{}';
END $$;
DO $$
DECLARE
    program name := (SELECT pg_get_userbyid(relowner) FROM pg_class WHERE oid = 'appointments'::regclass);
    f regprocedure;
BEGIN
    ALTER TABLE activity_log OWNER TO calvora_registro;
    ALTER TABLE activity_head OWNER TO calvora_registro;
    FOR f IN SELECT p.oid::regprocedure FROM pg_proc p
             WHERE p.proname LIKE 'calvora\_log\_%' AND p.pronamespace = current_schema()::regnamespace LOOP
        EXECUTE format('ALTER FUNCTION %s OWNER TO calvora_registro', f);
    END LOOP;
    GRANT SELECT, UPDATE ON appointments, cancelled_appointments, waiting_list, recalls TO calvora_registro;
    EXECUTE format('GRANT SELECT, INSERT ON activity_log TO %I', program);
    EXECUTE format('ALTER SCHEMA %I OWNER TO calvora_registro', current_schema());
    EXECUTE format('GRANT USAGE, CREATE ON SCHEMA %I TO %I', current_schema(), program);
    IF EXISTS (SELECT 1 FROM pg_event_trigger WHERE evtname = 'calvora_ddl_logged') THEN
        ALTER EVENT TRIGGER calvora_ddl_logged ENABLE;
    ELSE
        CREATE EVENT TRIGGER calvora_ddl_logged ON ddl_command_end EXECUTE FUNCTION calvora_log_ddl();
    END IF;
END $$;
INSERT INTO activity_log (action, target, computer, account, operator, details, personal)
VALUES ('ddl', 'schema', '', '', '', '{"command": "calvora --print-log-guard", "objects": []}', '{}');
COMMIT;
)SQL";

// The anonymisation's functions and the row trigger's function that stands aside while one writes, as
// replacements (a log made before they existed lacks them).
QString anonymisationReplaced()
{
    QString sql = QString::fromUtf8(anonymise) + QString::fromUtf8(rows);
    sql.replace(QStringLiteral("CREATE FUNCTION"), QStringLiteral("CREATE OR REPLACE FUNCTION"));
    return sql;
}

} // namespace

namespace ServerLogSchema {

QString guardStep()
{
    return QString::fromUtf8(guardBegin) + anonymisationReplaced() + QString::fromUtf8(guardEnd);
}

QString version4()
{
    return QString::fromUtf8(tables) + QString::fromUtf8(seal) + QString::fromUtf8(append)
        + QString::fromUtf8(anonymise) + QString::fromUtf8(rows)
        + triggers({"appointments", "appointment_status", "cancelled_appointments", "waiting_list", "dentists",
                    "settings"});
}

// The recalls' table is logged like the others. The functions that know it (the row trigger's, the
// anonymisation's) are replaced by completeLog while this role owns them, by the guard step once guarded.
QString version5()
{
    return triggers({"recalls"}) + QStringLiteral(R"SQL(
DO $$ BEGIN
    IF EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'calvora_registro') THEN
        GRANT SELECT, UPDATE ON recalls TO calvora_registro;
    END IF;
END $$;
)SQL");
}

QString anonymiseFunction()
{
    return QStringLiteral("calvora_log_anonymise(bigint[], bigint[], bigint[], bigint[], bigint[], jsonb)");
}

void completeLog(PgConnection& c)
{
    const PgResult r = c.query(QStringLiteral("SELECT to_regprocedure($1) IS NULL AND pg_get_userbyid(relowner) = "
                                              "current_user FROM pg_class WHERE oid = to_regclass('activity_log')"),
                               {anonymiseFunction()});
    if (r.rows() == 0 || r.text(0, 0) != u"t")
        return;
    // The row trigger's function learns to stand aside while an anonymisation writes, and to log recalls.
    try {
        c.execute(QStringLiteral("BEGIN;\n") + anonymisationReplaced() + QStringLiteral("COMMIT;"));
    } catch (const DatabaseError&) {
        // Another computer completing it at the same moment; or it stays without, and an anonymisation says why.
        (void)c.query(QStringLiteral("ROLLBACK"));
    }
}

QString patientNames()
{
    // Built-ins only, so the index needs no function that the log's owner would have to take over; an
    // entry holds one name or two (before and after).
    return QStringLiteral("lower(CASE jsonb_typeof(personal::jsonb -> 'patient') WHEN 'array' THEN "
                          "coalesce(personal::jsonb -> 'patient' ->> 0, '') || E'\\n' || "
                          "coalesce(personal::jsonb -> 'patient' ->> 1, '') ELSE personal::jsonb ->> 'patient' END)");
}

void indexPatients(PgConnection& c)
{
    const PgResult r = c.query(QStringLiteral(
        "SELECT to_regclass('idx_activity_log_patients') IS NULL AND pg_get_userbyid(relowner) = current_user "
        "FROM pg_class WHERE oid = to_regclass('activity_log')"));
    if (r.rows() == 0 || r.text(0, 0) != u"t")
        return;
    try {
        c.execute(QStringLiteral("CREATE INDEX IF NOT EXISTS idx_activity_log_patients ON activity_log USING gin ((")
                  + patientNames() + QStringLiteral(") gin_trgm_ops); ANALYZE activity_log;"));
    } catch (const DatabaseError&) {
        // Another computer indexing at the same moment; or the filter keeps reading the log as before.
    }
}

} // namespace ServerLogSchema
