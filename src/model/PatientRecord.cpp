#include "PatientRecord.h"

QStringList PatientRecord::phones() const
{
    QStringList found;
    const auto add = [&found](const QString& phone) {
        if (!found.contains(phone))
            found.append(phone);
    };
    for (const PatientVisit& v : visits)
        add(v.appointment.phone);
    for (const PatientWaiting& w : waiting)
        add(w.entry.phone);
    for (const PatientRecall& r : recalls)
        add(r.recall.phone);
    return found;
}

PatientRecord PatientRecord::without(const QStringList& excludedPhones) const
{
    PatientRecord kept{name, {}, {}, {}};
    for (const PatientVisit& v : visits)
        if (!excludedPhones.contains(v.appointment.phone))
            kept.visits.append(v);
    for (const PatientWaiting& w : waiting)
        if (!excludedPhones.contains(w.entry.phone))
            kept.waiting.append(w);
    for (const PatientRecall& r : recalls)
        if (!excludedPhones.contains(r.recall.phone))
            kept.recalls.append(r);
    return kept;
}
