#include "InviteButton.h"

#include "CalendarExport.h"
#include "Dialogs.h"

#include <QDir>

InviteButton::InviteButton(Store& store, std::function<Appointment()> shown, QWidget* parent)
    : QPushButton(QStringLiteral("Salva invito (.ics)…"), parent)
    , m_store(store)
    , m_shown(std::move(shown))
{
    setObjectName(QStringLiteral("inviteButton"));
    setAutoDefault(false);
    setToolTip(QStringLiteral("Salva l'appuntamento come file di calendario da dare al paziente (senza telefono e "
                              "note)"));
    connect(this, &QPushButton::clicked, this, &InviteButton::saveInvite);
}

void InviteButton::saveInvite()
{
    const Appointment a = m_shown();
    const QString name = CalendarExport::safeFileName(QStringLiteral("Appuntamento ") + a.patient.trimmed() + u' ' + a.day);
    std::optional<QString> path = Dialogs::chooseSaveFile(window(), QStringLiteral("Salva invito"),
                                                          QDir::home().filePath(name + QStringLiteral(".ics")),
                                                          QStringLiteral("Calendario (*.ics)"));
    if (!path)
        return;
    if (!path->endsWith(QStringLiteral(".ics"), Qt::CaseInsensitive))
        *path += QStringLiteral(".ics");
    if (const std::optional<QString> failure = CalendarExport::saveInvite(m_store, a, *path))
        Dialogs::tell(window(), QMessageBox::Warning, QStringLiteral("Invito non salvato"), *failure);
}
