// The settings window's page for the line that names the agenda's server.
#include "SettingsView.h"

#include "Dialogs.h"
#include "FormSection.h"
#include "PanelStyle.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Trusting a certificate is a choice about security: "Annulla" is the default.
bool certificateConfirmed(QWidget* parent, const QString& question)
{
    DialogRequest request;
    request.icon = QMessageBox::Warning;
    request.title = QStringLiteral("Confermare il certificato del server?");
    request.message = question;
    request.buttons = {{QStringLiteral("Annulla"), QMessageBox::RejectRole},
                       {QStringLiteral("Conferma il certificato"), QMessageBox::AcceptRole}};
    request.escapeIndex = 0;
    return Dialogs::exec(parent, request) == 1;
}

} // namespace

void SettingsView::buildServerPage()
{
    QVBoxLayout* page = addPage(Page::Server, QStringLiteral("Server dell'archivio"));
    auto* section = new FormSection(QStringLiteral("Server dell'archivio"), page->parentWidget());
    section->form()->addRow(captionLabel(
        QStringLiteral("Per tenere l'agenda su un server PostgreSQL condiviso dai computer dello studio, scrivi "
                       "qui la riga di connessione, senza password (la password va nel file ~/.pgpass di questo "
                       "computer). Le modifiche valgono dal prossimo avvio di Calvora."),
        section));
    m_serverLine = new QLineEdit(m_server.savedLine(), section);
    m_serverLine->setObjectName(QStringLiteral("serverLine"));
    m_serverLine->setPlaceholderText(QStringLiteral("host=server-studio dbname=calvora user=reception"));
    m_serverLine->setClearButtonEnabled(true);
    m_serverLine->setAccessibleName(QStringLiteral("Riga di connessione"));
    section->form()->addRow(QStringLiteral("Riga di connessione"), m_serverLine);

    auto* buttonRow = new QWidget(section);
    auto* buttons = new QHBoxLayout(buttonRow);
    buttons->setContentsMargins(0, 0, 0, 0);
    const auto addButton = [&](const QString& text, const char* name) {
        auto* button = new QPushButton(text, buttonRow);
        button->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(button);
        return button;
    };
    QPushButton* test = addButton(QStringLiteral("Prova connessione"), "serverTest");
    QPushButton* save = addButton(QStringLiteral("Salva"), "serverSave");
    QPushButton* remove = addButton(QStringLiteral("Rimuovi"), "serverRemove");
    buttons->addStretch(1);
    section->form()->addRow(buttonRow);
    if (m_server.copy) {
        auto* copyRow = new QWidget(section);
        auto* copyLine = new QHBoxLayout(copyRow);
        copyLine->setContentsMargins(0, 0, 0, 0);
        auto* copyButton = new QPushButton(QStringLiteral("Copia l'archivio sul server…"), copyRow);
        copyButton->setObjectName(QStringLiteral("serverCopy"));
        copyLine->addWidget(copyButton);
        copyLine->addStretch(1);
        section->form()->addRow(copyRow);
        connect(copyButton, &QPushButton::clicked, this, &SettingsView::copyToServer);
    }

    m_serverMessage = captionLabel(m_server.commandLineInUse
                                       ? QStringLiteral("Questa sessione usa la riga data con l'opzione --server, "
                                                        "che prevale su quella salvata qui.")
                                       : QString(),
                                   section);
    m_serverMessage->setObjectName(QStringLiteral("serverMessage"));
    // Room for the longest outcome from the start: a section that grows later would squeeze its captions.
    m_serverMessage->setMinimumHeight(QFontMetrics(PanelStyle::caption()).lineSpacing() * 3);
    m_serverMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_serverMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Selectable, so reached by a screen reader even while empty: named for what it will say.
    m_serverMessage->setAccessibleName(QStringLiteral("Esito della connessione al server"));
    m_serverMessage->setAccessibleDescription(m_serverMessage->text());
    section->form()->addRow(m_serverMessage);
    page->addWidget(section);
    page->addStretch(1);

    connect(test, &QPushButton::clicked, this, [this] {
        showServerOutcome({false, QStringLiteral("Prova della connessione in corso…")});
        m_serverMessage->repaint();
        showServerOutcome(m_server.test(m_serverLine->text()));
    });
    connect(save, &QPushButton::clicked, this, [this] { showServerOutcome(m_server.save(m_serverLine->text())); });
    connect(remove, &QPushButton::clicked, this, [this] {
        const ServerLineActions::Outcome outcome = m_server.remove();
        if (outcome.ok)
            m_serverLine->clear();
        showServerOutcome(outcome);
    });
}

// A copy of years of agenda takes seconds; the window says so and waits, as the connection test does.
void SettingsView::copyToServer()
{
    DialogRequest request;
    request.icon = QMessageBox::Question;
    request.title = QStringLiteral("Copiare l'archivio di questo computer sul server?");
    request.message = QStringLiteral("Dentisti, impostazioni e tutti gli appuntamenti del file calvora.sqlite di questo "
                                     "computer vengono copiati nel database indicato dalla riga, che non deve "
                                     "contenere appuntamenti. Il file di questo computer resta com'è.\n\nPrima di "
                                     "copiare, chiudi Calvora sugli altri computer.");
    request.buttons = {{QStringLiteral("Copia"), QMessageBox::AcceptRole},
                       {QStringLiteral("Annulla"), QMessageBox::RejectRole}};
    request.escapeIndex = 1;
    if (Dialogs::exec(this, request) != 0)
        return;
    showServerOutcome({false, QStringLiteral("Copia dell'archivio sul server in corso…")});
    m_serverMessage->repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ServerLineActions::Outcome outcome = m_server.copy(m_serverLine->text());
    QApplication::restoreOverrideCursor();
    showServerOutcome(outcome);
}

void SettingsView::showServerOutcome(const ServerLineActions::Outcome& outcome)
{
    m_serverMessage->setText(outcome.message);
    m_serverMessage->setAccessibleDescription(outcome.message);
    if (outcome.confirm && certificateConfirmed(this, outcome.question))
        showServerOutcome(outcome.confirm());
}

QString SettingsView::serverMessage() const
{
    return m_serverMessage ? m_serverMessage->text() : QString();
}
