#include "RestoreProofSection.h"

#include "PanelStyle.h"
#include "RecoveryKeyQuestion.h"
#include "RestoreProof.h"
#include "SecondPlace.h"

#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

RestoreProofSection::RestoreProofSection(RestoreProof& proof, SecondPlace& place, QWidget* parent)
    : FormSection(QStringLiteral("Prova di ripristino"), parent)
    , m_proof(proof)
    , m_place(place)
{
    auto* about = new QLabel(QStringLiteral("Un backup vale quanto il suo ripristino. La prova prende la copia più "
                                            "recente nella cartella delle copie, la ripristina in una cartella a parte "
                                            "(mai sull'agenda in uso) e ne conta appuntamenti e dentisti."),
                             this);
    about->setWordWrap(true);
    about->setFont(PanelStyle::caption());
    form()->addRow(about);
    m_last = new QLabel(this);
    m_last->setObjectName(QStringLiteral("lastRestoreProof"));
    m_last->setWordWrap(true);
    form()->addRow(m_last);
    auto* row = new QWidget(this);
    auto* buttons = new QHBoxLayout(row);
    buttons->setContentsMargins(0, 0, 0, 0);
    m_prove = new QPushButton(QStringLiteral("Prova il ripristino…"), row);
    m_prove->setObjectName(QStringLiteral("proveRestore"));
    buttons->addWidget(m_prove);
    buttons->addStretch(1);
    form()->addRow(row);
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("restoreProofMessage"));
    m_message->setWordWrap(true);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_message->hide();
    form()->addRow(m_message);
    connect(m_prove, &QPushButton::clicked, this, &RestoreProofSection::prove);
    connect(&m_proof, &RestoreProof::changed, this, &RestoreProofSection::showState);
    showState();
}

QString RestoreProofSection::lastProofText() const
{
    return m_last->text();
}

QString RestoreProofSection::messageText() const
{
    return m_message->isHidden() ? QString() : m_message->text();
}

void RestoreProofSection::say(const QString& message)
{
    m_message->setText(message);
    m_message->setVisible(!message.isEmpty());
}

void RestoreProofSection::prove()
{
    const QString folder = m_place.folder();
    if (folder.isEmpty()) {
        say(QStringLiteral("Nessuna cartella per le copie dei backup: scegline una qui sopra, poi prova il ripristino."));
        return;
    }
    const QString shown = QDir::toNativeSeparators(folder);
    if (!QFileInfo(folder).isDir()) {
        say(QStringLiteral("La cartella delle copie dei backup (%1) non è raggiungibile: il disco è scollegato o la "
                           "cartella non c'è più.")
                .arg(shown));
        return;
    }
    const std::optional<QString> newest = RestoreProof::newestIn(folder);
    if (!newest) {
        say(QStringLiteral("Nella cartella delle copie dei backup (%1) non c'è ancora nessun backup da provare.").arg(shown));
        return;
    }
    if (!RestoreProof::isEncrypted(*newest)) {
        m_proof.start(*newest);
        return;
    }
    auto* ask = new RecoveryKeyQuestion(QFileInfo(*newest).fileName(), this);
    ask->setAttribute(Qt::WA_DeleteOnClose);
    connect(ask, &QDialog::finished, this, [this, ask, copy = *newest](int choice) {
        if (choice == RecoveryKeyQuestion::WithKey)
            m_proof.start(copy, ask->secretKey());
        else if (choice == RecoveryKeyQuestion::CheckOnly)
            m_proof.start(copy);
    });
    ask->open();
}

void RestoreProofSection::showState()
{
    m_last->setText(m_proof.lastProvedLine());
    m_prove->setEnabled(!m_proof.busy());
    say(m_proof.busy() ? QStringLiteral("Prova di ripristino in corso…") : m_proof.lastOutcome().text);
}
