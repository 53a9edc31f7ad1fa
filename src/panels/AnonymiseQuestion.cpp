#include "AnonymiseQuestion.h"

#include "Dialogs.h"
#include "Store.h"

namespace {

QString phonesText(const QStringList& phones)
{
    QStringList shown;
    for (const QString& p : phones)
        shown << (p.trimmed().isEmpty() ? QStringLiteral("senza telefono") : p.trimmed());
    return shown.join(QStringLiteral(", "));
}

bool confirmed(QWidget* parent, const QString& patient, const QStringList& phones)
{
    DialogRequest request;
    request.icon = QMessageBox::Warning;
    request.title = QStringLiteral("Anonimizzare «%1»?").arg(patient);
    QString message = QStringLiteral(
        "Nome, telefono, prestazione e note di ogni appuntamento del paziente, anche cancellato, della lista "
        "d'attesa e delle voci del registro attività saranno sostituiti da «Paziente anonimizzato». Giorni, "
        "orari e dentisti restano.");
    if (!phones.isEmpty())
        message += QStringLiteral("\n\nSolo i dati con il telefono %1: un omonimo con un altro numero resta "
                                  "com'è.")
                       .arg(phonesText(phones));
    message += QStringLiteral("\n\nL'operazione non si può annullare. I backup già fatti conservano i dati di prima "
                              "finché non vengono sostituiti dai più recenti.");
    request.message = message;
    request.buttons = {{QStringLiteral("Annulla"), QMessageBox::RejectRole},
                       {QStringLiteral("Anonimizza"), QMessageBox::DestructiveRole}};
    request.escapeIndex = 0;
    return Dialogs::exec(parent, request) == 1;
}

} // namespace

bool askAndAnonymise(QWidget* parent, Store& store, const QString& patient, const QStringList& phones)
{
    const QString name = patient.trimmed();
    if (name.isEmpty() || !confirmed(parent, name, phones))
        return false;
    qsizetype reached = 0;
    if (const std::optional<QString> failure = store.anonymisePatient(name, phones, &reached)) {
        Dialogs::tell(parent, QMessageBox::Warning,
             reached > 0 ? QStringLiteral("Paziente anonimizzato") : QStringLiteral("Anonimizzazione non riuscita"),
             *failure);
        return reached > 0;
    }
    if (reached == 0) {
        Dialogs::tell(parent, QMessageBox::Information, QStringLiteral("Nessun dato da anonimizzare"),
             QStringLiteral("Nell'agenda non ci sono più dati di «%1».").arg(name));
        return false;
    }
    Dialogs::tell(parent, QMessageBox::Information, QStringLiteral("Paziente anonimizzato"),
         reached == 1 ? QStringLiteral("I dati di «%1» sono stati sostituiti in 1 appuntamento o voce della lista "
                                       "d'attesa e nel registro attività.")
                            .arg(name)
                      : QStringLiteral("I dati di «%1» sono stati sostituiti in %2 appuntamenti e voci della lista "
                                       "d'attesa e nel registro attività.")
                            .arg(name)
                            .arg(reached));
    return true;
}
