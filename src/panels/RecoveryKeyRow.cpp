#include "RecoveryKeyRow.h"

#include "Cal.h"
#include "Clock.h"
#include "DatabaseError.h"
#include "Dialogs.h"
#include "PanelStyle.h"
#include "RecoveryKey.h"
#include "RecoveryKeyDialog.h"
#include "Store.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

RecoveryKeyRow::RecoveryKeyRow(Store& store, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("recoveryKeyState"));
    m_state->setWordWrap(true);
    layout->addWidget(m_state);
    auto* row = new QHBoxLayout;
    m_create = new QPushButton(QStringLiteral("Crea chiave di ripristino…"), this);
    m_create->setObjectName(QStringLiteral("createRecoveryKey"));
    row->addWidget(m_create);
    row->addStretch(1);
    layout->addLayout(row);
    connect(m_create, &QPushButton::clicked, this, &RecoveryKeyRow::create);
    // A key created on another computer encrypts this one's copies too.
    connect(&m_store, &Store::changedElsewhere, this, &RecoveryKeyRow::showState);
    showState();
}

QString RecoveryKeyRow::stateText() const
{
    return m_state->text();
}

void RecoveryKeyRow::showState()
{
    try {
        const std::optional<QByteArray> key = m_store.recoveryPublicKey();
        const std::optional<QDateTime> created = m_store.recoveryKeyCreated();
        m_state->setText(
            key ? QStringLiteral("Copie cifrate con la chiave %1 creata il %2.")
                      .arg(RecoveryKey::fingerprint(*key),
                           created ? Cal::format(*created, QStringLiteral("dMMMMy")) : QStringLiteral("?"))
                : QStringLiteral("Le copie non sono cifrate: chi trova il disco o la cartella può leggerle. Con una "
                                 "chiave di ripristino vengono cifrate e si aprono solo con il suo foglio."));
    } catch (const DatabaseError& error) {
        m_state->setText(QStringLiteral("Impossibile leggere la chiave di ripristino: ") + error.message());
    }
}

void RecoveryKeyRow::create()
{
    std::optional<QByteArray> existing;
    try {
        existing = m_store.recoveryPublicKey();
    } catch (const DatabaseError& error) {
        Dialogs::tell(window(), QMessageBox::Warning, QStringLiteral("Impossibile leggere la chiave di ripristino"),
                      error.message());
        return;
    }
    if (existing) {
        DialogRequest ask;
        ask.icon = QMessageBox::Warning;
        ask.title = QStringLiteral("Sostituire la chiave di ripristino %1?").arg(RecoveryKey::fingerprint(*existing));
        ask.message = QStringLiteral("Le copie già fatte restano cifrate con la chiave attuale: per aprirle servirà "
                                     "ancora il suo foglio. Conservalo insieme a quello nuovo.");
        ask.buttons = {{QStringLiteral("Crea nuova chiave"), QMessageBox::AcceptRole},
                       {QStringLiteral("Annulla"), QMessageBox::RejectRole}};
        ask.escapeIndex = 1;
        if (Dialogs::exec(window(), ask) != 0)
            return;
    }
    const RecoveryKey::Pair pair = RecoveryKey::create();
    if (const std::optional<QString> failure = m_store.setRecoveryPublicKey(pair.publicKey)) {
        Dialogs::tell(window(), QMessageBox::Warning, QStringLiteral("Chiave di ripristino non creata"), *failure);
        return;
    }
    showState();
    auto* dialog = new RecoveryKeyDialog(
        {m_store.studioName(), Clock::today(), RecoveryKey::fingerprint(pair.publicKey), RecoveryKey::words(pair.secretKey)}, window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->open();
}
