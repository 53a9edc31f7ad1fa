#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <libical/ical.h>

// A calendar file as the reference iCalendar library reads it back: what a phone or a calendar program
// would show. Times are converted to UTC through the time zone the file itself describes.
struct ParsedEvent {
    QString uid;
    QString summary;
    QString location;
    QString category;
    QString description;
    qint64 startUtc = 0; // seconds since the epoch
    qint64 endUtc = 0;
    bool zoneFromFile = false; // DTSTART's zone is the file's own VTIMEZONE
};

struct ParsedCalendar {
    bool parsed = false;
    int errors = 0; // what the library marked as malformed
    QList<ParsedEvent> events;

    static ParsedCalendar of(const QByteArray& bytes)
    {
        ParsedCalendar result;
        icalcomponent* root = icalparser_parse_string(bytes.constData());
        if (!root || icalcomponent_isa(root) != ICAL_VCALENDAR_COMPONENT) {
            if (root)
                icalcomponent_free(root);
            return result;
        }
        result.parsed = true;
        result.errors = icalcomponent_count_errors(root);
        icaltimezone* rome = icalcomponent_get_timezone(root, "Europe/Rome");
        for (icalcomponent* e = icalcomponent_get_first_component(root, ICAL_VEVENT_COMPONENT); e;
             e = icalcomponent_get_next_component(root, ICAL_VEVENT_COMPONENT)) {
            ParsedEvent p;
            p.uid = text(icalcomponent_get_uid(e));
            p.summary = text(icalcomponent_get_summary(e));
            p.location = text(icalcomponent_get_location(e));
            p.description = text(icalcomponent_get_description(e));
            if (icalproperty* c = icalcomponent_get_first_property(e, ICAL_CATEGORIES_PROPERTY))
                p.category = text(icalproperty_get_categories(c));
            const icaltimetype start = icalcomponent_get_dtstart(e);
            const icaltimetype end = icalcomponent_get_dtend(e);
            p.zoneFromFile = rome && start.zone == rome;
            p.startUtc = icaltime_as_timet_with_zone(start, start.zone);
            p.endUtc = icaltime_as_timet_with_zone(end, end.zone);
            result.events.append(p);
        }
        icalcomponent_free(root);
        return result;
    }

    [[nodiscard]] QStringList uids() const
    {
        QStringList list;
        for (const ParsedEvent& e : events)
            list << e.uid;
        return list;
    }

private:
    static QString text(const char* s) { return s ? QString::fromUtf8(s) : QString(); }
};
