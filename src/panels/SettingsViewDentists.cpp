// The settings window's page of the dentists: a row per dentist, adding, retiring and reordering.
#include "SettingsView.h"

#include "Cal.h"
#include "Clock.h"
#include "Color.h"
#include "ColorWell.h"
#include "Dialogs.h"
#include "FormSection.h"
#include "PanelStyle.h"
#include "Store.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

void SettingsView::buildDentistsPage()
{
    QVBoxLayout* page = addPage(Page::Dentists, QStringLiteral("Dentisti"));
    m_dentistSection = new FormSection(QStringLiteral("Dentisti"), page->parentWidget());
    page->addWidget(m_dentistSection);

    auto* noteSection = new FormSection(QString(), page->parentWidget());
    m_note = new QLabel(noteSection);
    m_note->setObjectName(QStringLiteral("note"));
    m_note->setWordWrap(true);
    m_note->setTextInteractionFlags(Qt::TextSelectableByMouse);
    PanelStyle::style(m_note, PanelStyle::callout(), PanelStyle::secondaryText(palette()));
    noteSection->form()->addRow(m_note);
    page->addWidget(noteSection);
    page->addStretch(1);
    setMessage(std::nullopt);
}

void SettingsView::rebuildRows()
{
    QFormLayout* form = m_dentistSection->form();
    // The rows go later, not now: the rebuild may come from a click on one of their own buttons, whose
    // handler is still running. Taken out of the window at once, so that only the new rows are found.
    while (form->rowCount() > 0) {
        const QFormLayout::TakeRowResult taken = form->takeRow(0);
        for (QLayoutItem* item : {taken.labelItem, taken.fieldItem}) {
            if (!item)
                continue;
            if (QWidget* widget = item->widget()) {
                widget->hide();
                widget->setParent(nullptr);
                widget->deleteLater();
            }
            delete item;
        }
    }
    m_rows.clear();
    m_rowShape.clear();
    for (qsizetype i = 0; i < m_dentists.size(); ++i) {
        const qint64 id = m_dentists[i].id;
        Row row;
        row.label = new QLabel(m_dentistSection);
        row.name = new QLineEdit(m_dentistSection);
        row.name->setObjectName(QStringLiteral("dentistField%1").arg(i));
        row.well = new ColorWell(m_dentistSection);
        row.well->setObjectName(QStringLiteral("dentistColor%1").arg(i));
        row.up = new QToolButton(m_dentistSection);
        row.up->setObjectName(QStringLiteral("dentistLeft%1").arg(i));
        row.up->setArrowType(Qt::UpArrow);
        row.up->setToolTip(QStringLiteral("Sposta la colonna a sinistra"));
        row.down = new QToolButton(m_dentistSection);
        row.down->setObjectName(QStringLiteral("dentistRight%1").arg(i));
        row.down->setArrowType(Qt::DownArrow);
        row.down->setToolTip(QStringLiteral("Sposta la colonna a destra"));
        const bool retired = m_dentists[i].retiredFrom.isValid();
        row.retire = new QPushButton(retired ? QStringLiteral("Riattiva") : QStringLiteral("Ritira…"), m_dentistSection);
        row.retire->setObjectName(QStringLiteral("dentistRetire%1").arg(i));
        row.retire->setAutoDefault(false);
        auto* field = new QWidget(m_dentistSection);
        auto* line = new QHBoxLayout(field);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(6);
        line->addWidget(row.name, 1);
        line->addWidget(row.well, 0, Qt::AlignVCenter);
        line->addWidget(row.up);
        line->addWidget(row.down);
        line->addWidget(row.retire);
        form->addRow(row.label, field);
        row.label->setBuddy(row.name);
        if (retired) {
            row.status = captionLabel(QStringLiteral("Non lavora più nello studio ")
                                          + Cal::fromDayText(m_dentists[i].retiredFrom, QStringLiteral("dMMMMy"))
                                          + u'.',
                                      m_dentistSection);
            form->addRow(QString(), row.status);
        }

        connect(row.name, &QLineEdit::textChanged, this, [this, i](const QString& text) {
            if (i < m_dentists.size()) {
                m_dentists[i].name = text;
                showRow(i);
                autosave(Origin::Dentists);
            }
        });
        connect(row.well, &ColorWell::colorPicked, this, [this, i](const QColor& color) {
            if (i < m_dentists.size()) {
                m_dentists[i].colorHex = hexString(color);
                autosave(Origin::Dentists);
            }
        });
        connect(row.up, &QToolButton::clicked, this, [this, id] { moveDentist(id, -1); });
        connect(row.down, &QToolButton::clicked, this, [this, id] { moveDentist(id, 1); });
        connect(row.retire, &QPushButton::clicked, this, [this, id] { retireOrReinstate(id); });
        m_rows.append(row);
        m_rowShape.append({id, retired});
    }
    auto* add = new QPushButton(QStringLiteral("Aggiungi dentista"), m_dentistSection);
    add->setObjectName(QStringLiteral("addDentistButton"));
    add->setAutoDefault(false);
    connect(add, &QPushButton::clicked, this, &SettingsView::addDentist);
    form->addRow(add);
}

// The row's controls from the copy; their accessible names say whose they are, by the name as typed.
void SettingsView::showRow(qsizetype i)
{
    const Dentist& d = m_dentists[i];
    const Row& row = m_rows[i];
    const QString label = QStringLiteral("Dentista ") + QString::number(d.position + 1);
    const QString whose = d.name.trimmed().isEmpty() ? label : d.name.trimmed();
    row.label->setText(label);
    row.name->setAccessibleName(QStringLiteral("Nome di ") + label);
    row.well->setAccessibleName(QStringLiteral("Colore di ") + whose);
    row.up->setAccessibleName(QStringLiteral("Sposta ") + whose + QStringLiteral(" a sinistra"));
    row.down->setAccessibleName(QStringLiteral("Sposta ") + whose + QStringLiteral(" a destra"));
    row.retire->setAccessibleName(row.retire->text().chopped(row.retire->text().endsWith(u'…') ? 1 : 0)
                                  + u' ' + whose);
    row.up->setEnabled(m_store.nearestWorkingDentist(d.id, -1).has_value());
    row.down->setEnabled(m_store.nearestWorkingDentist(d.id, 1).has_value());
    const QSignalBlocker blocker(row.name);
    if (row.name->text() != d.name)
        row.name->setText(d.name);
    row.well->setColor(colorFromHex(d.colorHex));
}

void SettingsView::addDentist()
{
    setMessage(m_store.addDentist());
}

void SettingsView::moveDentist(qint64 dentistId, int step)
{
    // The rows are made again in their new order: the focus goes with the moved dentist's row.
    const QWidget* focused = focusWidget();
    bool arrowFocused = false;
    for (const Row& row : std::as_const(m_rows))
        arrowFocused = arrowFocused || focused == row.up || focused == row.down;
    // Retired dentists have no column to pass: the arrows move among the columns the agenda shows.
    if (const std::optional<Dentist> other = m_store.nearestWorkingDentist(dentistId, step))
        setMessage(m_store.swapDentists(dentistId, other->id));
    if (!arrowFocused)
        return;
    for (qsizetype i = 0; i < m_dentists.size() && i < m_rows.size(); ++i) {
        if (m_dentists[i].id != dentistId)
            continue;
        const Row& row = m_rows[i];
        QWidget* same = step < 0 ? row.up : row.down;
        QWidget* other = step < 0 ? row.down : row.up;
        (same->isEnabled() ? same : other->isEnabled() ? other : row.name)->setFocus(Qt::OtherFocusReason);
    }
}

void SettingsView::retireOrReinstate(qint64 dentistId)
{
    const std::optional<Dentist> dentist = m_store.dentist(dentistId);
    if (!dentist)
        return;
    if (dentist->retiredFrom.isValid()) {
        setMessage(m_store.reinstateDentist(dentistId));
        return;
    }
    const std::optional<QDate> from = Dialogs::chooseDate(
        this, QStringLiteral("Da quale giorno ") + dentist->name + QStringLiteral(" non lavora più nello studio?"),
        QStringLiteral("Da quel giorno la sua colonna non compare più nell'agenda. I suoi appuntamenti passati restano "
                       "nell'archivio, nelle ricerche e nelle stampe; quelli da quel giorno in poi vanno prima "
                       "spostati o eliminati."),
        Cal::nextWorkday(Clock::today().addDays(1)), QStringLiteral("Ritira"));
    if (!from)
        return;
    QList<Appointment> remaining;
    const std::optional<QString> refusal = m_store.retireDentist(dentistId, *from, &remaining);
    setMessage(std::nullopt);
    if (!refusal)
        return;
    // A box rather than the note: the appointments to move first are listed in full, however many.
    DialogRequest request =
        Dialogs::notice(QMessageBox::Warning, QStringLiteral("Impossibile ritirare ") + dentist->name, *refusal);
    for (const Appointment& a : std::as_const(remaining))
        request.lines.append(m_store.appointmentLine(a));
    Dialogs::exec(this, request);
}
