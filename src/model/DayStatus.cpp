#include "DayStatus.h"

namespace AppointmentStatuses {

QString label(AppointmentStatus status)
{
    switch (status) {
    case AppointmentStatus::ToConfirm:
        return QStringLiteral("Da confermare");
    case AppointmentStatus::Confirmed:
        return QStringLiteral("Confermato");
    case AppointmentStatus::Arrived:
        return QStringLiteral("Arrivato");
    case AppointmentStatus::NoShow:
        return QStringLiteral("Non presentato");
    }
    return {};
}

QString key(AppointmentStatus status)
{
    switch (status) {
    case AppointmentStatus::ToConfirm:
        return QStringLiteral("da_confermare");
    case AppointmentStatus::Confirmed:
        return QStringLiteral("confermato");
    case AppointmentStatus::Arrived:
        return QStringLiteral("arrivato");
    case AppointmentStatus::NoShow:
        return QStringLiteral("non_presentato");
    }
    return {};
}

std::optional<AppointmentStatus> fromKey(const QString& key)
{
    for (const AppointmentStatus s : {AppointmentStatus::ToConfirm, AppointmentStatus::Confirmed,
                                      AppointmentStatus::Arrived, AppointmentStatus::NoShow})
        if (AppointmentStatuses::key(s) == key)
            return s;
    return std::nullopt;
}

} // namespace AppointmentStatuses

namespace CancelledByKeys {

QString key(CancelledBy by)
{
    return by == CancelledBy::Patient ? QStringLiteral("paziente") : QStringLiteral("studio");
}

CancelledBy fromKey(const QString& key)
{
    return key == u"studio" ? CancelledBy::Practice : CancelledBy::Patient;
}

} // namespace CancelledByKeys
