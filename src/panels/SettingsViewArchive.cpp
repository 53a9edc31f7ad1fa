// The settings window's page of the archive: where the agenda is kept, and backups on demand.
#include "SettingsView.h"

#include "DatabaseError.h"
#include "Desktop.h"
#include "FormSection.h"
#include "PanelStyle.h"
#include "RestoreProofSection.h"
#include "SecondPlaceSection.h"
#include "Store.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

void SettingsView::buildArchivePage()
{
    QVBoxLayout* page = addPage(Page::Archive, QStringLiteral("Archivio e backup"));
    const bool server = m_store.onServer();
    auto* archive = new FormSection(QStringLiteral("Archivio dati"), page->parentWidget());
    // A read-only field rather than a label: a path has no spaces to wrap at, and it must stay selectable.
    m_path = new QLineEdit(m_store.archiveLocation(), archive);
    m_path->setObjectName(QStringLiteral("databasePath"));
    m_path->setReadOnly(true);
    m_path->setFrame(false);
    m_path->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_path->setFont(PanelStyle::caption());
    m_path->setToolTip(m_path->text());
    m_path->setCursorPosition(0);
    // Selectable with the mouse, but no stop of its own for Tab.
    m_path->setFocusPolicy(Qt::ClickFocus);
    QPalette pathPalette = m_path->palette();
    pathPalette.setColor(QPalette::Base, Qt::transparent);
    m_path->setPalette(pathPalette);
    const QString where = server ? QStringLiteral("Server") : QStringLiteral("Database");
    m_path->setAccessibleName(where);
    archive->form()->addRow(where, m_path);

    auto* buttonRow = new QWidget(archive);
    auto* buttons = new QHBoxLayout(buttonRow);
    buttons->setContentsMargins(0, 0, 0, 0);
    auto* backupButton = new QPushButton(QStringLiteral("Crea backup adesso"), buttonRow);
    backupButton->setObjectName(QStringLiteral("backupButton"));
    buttons->addWidget(backupButton);
    connect(backupButton, &QPushButton::clicked, this, &SettingsView::createBackup);
    // A server's agenda is no file to show.
    if (!server) {
        auto* revealButton = new QPushButton(Desktop::revealText(), buttonRow);
        revealButton->setObjectName(QStringLiteral("revealButton"));
        buttons->addWidget(revealButton);
        connect(revealButton, &QPushButton::clicked, this, &SettingsView::revealDatabase);
    }
    buttons->addStretch(1);
    archive->form()->addRow(buttonRow);
    // The outcome of the button, right under it.
    m_backupMessage = new QLabel(archive);
    m_backupMessage->setObjectName(QStringLiteral("backupMessage"));
    m_backupMessage->setWordWrap(true);
    m_backupMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);
    PanelStyle::style(m_backupMessage, PanelStyle::callout(), palette().color(QPalette::WindowText));
    m_backupMessage->hide();
    archive->form()->addRow(m_backupMessage);
    const QString kept = QStringLiteral(" (vengono conservati gli ultimi ") + QString::number(Store::keptBackups)
        + QStringLiteral(").");
    QLabel* backupNote = captionLabel(
        server ? QStringLiteral("L'agenda è su un server condiviso dai computer dello studio. Un backup automatico "
                                "dell'agenda del server viene creato ogni giorno all'avvio nella cartella Dati/Backup "
                                "di questo computer")
                + kept
                + QStringLiteral(" Ogni backup si apre come archivio locale.")
               : QStringLiteral("Un backup automatico viene creato ogni giorno all'avvio nella cartella Dati/Backup")
                + kept
                + QStringLiteral(" Per una copia di sicurezza completa, chiudi il programma e copia l'intera "
                                 "cartella su un disco esterno."),
        archive);
    backupNote->setObjectName(QStringLiteral("backupNote"));
    archive->form()->addRow(backupNote);
    page->addWidget(archive);
    if (SecondPlace* place = m_store.secondPlace()) {
        page->addWidget(new SecondPlaceSection(m_store, *place, page->parentWidget()));
        if (RestoreProof* proof = m_store.restoreProof())
            page->addWidget(new RestoreProofSection(*proof, *place, page->parentWidget()));
    }
    page->addWidget(buildRetentionSection(page->parentWidget()));
    page->addStretch(1);
}

void SettingsView::createBackup()
{
    QString outcome;
    try {
        outcome = QStringLiteral("Backup creato: ") + QFileInfo(m_store.backupNow()).fileName();
    } catch (const DatabaseError& error) {
        outcome = QStringLiteral("Backup non riuscito: ") + error.message();
    } catch (const std::exception& error) {
        outcome = QStringLiteral("Backup non riuscito: ") + QString::fromLocal8Bit(error.what());
    }
    m_backupMessage->setText(outcome);
    m_backupMessage->show();
}

void SettingsView::revealDatabase()
{
    Desktop::revealFile(m_store.archiveLocation());
}
