#include "CalendarFolderSection.h"

#include "DatabaseError.h"
#include "Dialogs.h"
#include "PanelStyle.h"
#include "Store.h"

#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CalendarFolderSection::CalendarFolderSection(Store& store, QWidget* parent)
    : FormSection(QStringLiteral("Calendari dei dentisti"), parent)
    , m_store(store)
{
    auto* about = new QLabel(
        QStringLiteral("In questa cartella Calvora tiene un calendario per ogni dentista («nome del dentista».ics) "
                       "con gli appuntamenti delle prossime 8 settimane, aggiornato dopo ogni modifica. Se la "
                       "cartella è sincronizzata con il telefono, il dentista vi si può abbonare dal calendario del "
                       "telefono. Basta sceglierla su un computer: la aggiorna ogni computer dello studio che la "
                       "raggiunge. I file contengono nomi, telefoni e note dei pazienti: scegli una cartella che "
                       "solo lo studio e i dentisti possono leggere."),
        this);
    about->setWordWrap(true);
    about->setFont(PanelStyle::caption());
    form()->addRow(about);

    m_folder = new QLineEdit(this);
    m_folder->setObjectName(QStringLiteral("calendarFolder"));
    m_folder->setReadOnly(true);
    m_folder->setPlaceholderText(QStringLiteral("Nessuna cartella"));
    m_folder->setAccessibleName(QStringLiteral("Cartella dei calendari"));
    form()->addRow(QStringLiteral("Cartella"), m_folder);

    auto* row = new QWidget(this);
    auto* buttons = new QHBoxLayout(row);
    buttons->setContentsMargins(0, 0, 0, 0);
    auto* chooseButton = new QPushButton(QStringLiteral("Scegli…"), row);
    chooseButton->setObjectName(QStringLiteral("chooseCalendarFolder"));
    m_clear = new QPushButton(QStringLiteral("Non usare"), row);
    m_clear->setObjectName(QStringLiteral("clearCalendarFolder"));
    buttons->addWidget(chooseButton);
    buttons->addWidget(m_clear);
    buttons->addStretch(1);
    form()->addRow(row);
    connect(chooseButton, &QPushButton::clicked, this, &CalendarFolderSection::choose);
    connect(m_clear, &QPushButton::clicked, this, &CalendarFolderSection::clear);

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("calendarMessage"));
    m_message->setWordWrap(true);
    form()->addRow(m_message);
    m_failure = new QLabel(this);
    m_failure->setObjectName(QStringLiteral("calendarFailure"));
    m_failure->setWordWrap(true);
    PanelStyle::style(m_failure, PanelStyle::caption(), PanelStyle::errorRed());
    form()->addRow(m_failure);
    showStored();
    showFailure();
    connect(&m_store, &Store::changed, this, &CalendarFolderSection::showFailure);
    connect(&m_store, &Store::changedElsewhere, this, &CalendarFolderSection::followElsewhere);
}

QString CalendarFolderSection::folderText() const
{
    return m_folder->text();
}

QString CalendarFolderSection::messageText() const
{
    return m_message->text();
}

QString CalendarFolderSection::failureText() const
{
    return m_failure->text();
}

void CalendarFolderSection::showFailure()
{
    m_failure->setText(m_store.calendarFolderFailure().value_or(QString()));
    m_failure->setVisible(m_store.calendarFolderFailure().has_value());
}

void CalendarFolderSection::followElsewhere()
{
    // The outcome of this page's last choice says nothing of a folder another computer chose since.
    try {
        if (m_store.calendarFolder() == m_folder->text())
            return;
    } catch (const DatabaseError&) {
        return; // the next change seen reads it again
    }
    m_message->clear();
    showStored();
}

void CalendarFolderSection::showStored()
{
    try {
        m_folder->setText(m_store.calendarFolder());
    } catch (const DatabaseError& error) {
        m_message->setText(QStringLiteral("Impossibile leggere la cartella dei calendari: ") + error.message() + u'.');
    }
    m_folder->setToolTip(m_folder->text());
    m_clear->setEnabled(!m_folder->text().isEmpty());
}

void CalendarFolderSection::choose()
{
    const QString start = m_folder->text().isEmpty() ? QDir::homePath() : m_folder->text();
    if (const std::optional<QString> folder =
            Dialogs::chooseFolder(window(), QStringLiteral("Cartella dei calendari"), start))
        apply(QDir::toNativeSeparators(*folder));
}

void CalendarFolderSection::clear()
{
    apply(QString());
}

void CalendarFolderSection::apply(const QString& folder)
{
    if (const std::optional<QString> failure = m_store.setCalendarFolder(folder)) {
        m_message->setText(*failure);
        return;
    }
    showStored();
    m_message->setText(folder.isEmpty()
                           ? QStringLiteral("I calendari non vengono più aggiornati; i file già scritti restano.")
                           : QStringLiteral("I calendari vengono aggiornati in questa cartella tra pochi secondi."));
}
