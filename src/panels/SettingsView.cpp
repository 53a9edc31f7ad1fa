#include "SettingsView.h"

#include "Cal.h"
#include "ClosedDaysSection.h"
#include "Clock.h"
#include "Color.h"
#include "ColorWell.h"
#include "DatabaseError.h"
#include "Desktop.h"
#include "Dialogs.h"
#include "FormSection.h"
#include "PanelStyle.h"
#include "Store.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString autosaveNote =
    QStringLiteral("Le modifiche vengono salvate automaticamente. Il nome di un dentista si "
                   "può cambiare anche con un clic sul nome nell'agenda.");

QStringList trimmedNames(const QList<Dentist>& dentists)
{
    QStringList names;
    for (const Dentist& d : dentists)
        names.append(d.name.trimmed());
    return names;
}

QStringList names(const QList<Dentist>& dentists)
{
    QStringList result;
    for (const Dentist& d : dentists)
        result.append(d.name);
    return result;
}

QStringList colors(const QList<Dentist>& dentists)
{
    QStringList result;
    for (const Dentist& d : dentists)
        result.append(d.colorHex);
    return result;
}

// The same dentists in the same places, each working or retired from the same day.
bool sameColumns(const QList<Dentist>& a, const QList<Dentist>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Dentist& x, const Dentist& y) {
        return x.id == y.id && x.position == y.position && x.retiredFrom == y.retiredFrom;
    });
}

bool anyBlankName(const QList<Dentist>& dentists)
{
    return std::any_of(dentists.begin(), dentists.end(),
                       [](const Dentist& d) { return d.name.trimmed().isEmpty(); });
}

} // namespace

QLabel* SettingsView::captionLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    PanelStyle::style(label, PanelStyle::caption(), PanelStyle::secondaryText(parent->palette()));
    label->setWordWrap(true);
    return label;
}

SettingsView::SettingsView(Store& store, QWidget* parent, ServerLineActions server)
    : QWidget(parent, Qt::Window)
    , m_store(store)
    , m_server(std::move(server))
{
    setWindowTitle(QStringLiteral("Impostazioni"));
    setFixedSize(windowWidth, m_server.available() ? windowHeightWithServer : windowHeight);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget(scroll);
    content->setAutoFillBackground(false);
    scroll->viewport()->setAutoFillBackground(false);
    scroll->setWidget(content);
    outer->addWidget(scroll);

    auto* sections = new QVBoxLayout(content);
    sections->setContentsMargins(20, 20, 20, 20);
    sections->setSpacing(16);

    auto* studio = new FormSection(QStringLiteral("Studio"), content);
    m_studioField = new QLineEdit(studio);
    m_studioField->setObjectName(QStringLiteral("studioField"));
    studio->form()->addRow(QStringLiteral("Nome dello studio"), m_studioField);
    sections->addWidget(studio);

    m_dentistSection = new FormSection(QStringLiteral("Dentisti"), content);
    sections->addWidget(m_dentistSection);
    m_alignedSections = {studio, m_dentistSection};

    auto* noteSection = new FormSection(QString(), content);
    m_note = new QLabel(autosaveNote, noteSection);
    m_note->setObjectName(QStringLiteral("note"));
    m_note->setWordWrap(true);
    m_note->setTextInteractionFlags(Qt::TextSelectableByMouse);
    PanelStyle::style(m_note, PanelStyle::callout(), PanelStyle::secondaryText(palette()));
    noteSection->form()->addRow(m_note);
    sections->addWidget(noteSection);

    auto* closed = new ClosedDaysSection(m_store, content);
    closed->setObjectName(QStringLiteral("closedDays"));
    sections->addWidget(closed);
    m_alignedSections.append(closed);

    buildArchiveSection(content, sections);
    if (m_server.available())
        buildServerSection(content, sections);

    auto* about = new FormSection(QString(), content);
    QLabel* version =
        captionLabel(QStringLiteral("Calvora ") + QCoreApplication::applicationVersion(), about);
    version->setObjectName(QStringLiteral("version"));
    version->setAlignment(Qt::AlignHCenter);
    about->form()->addRow(version);
    sections->addWidget(about);
    sections->addStretch(1);

    loadFromStore();

    connect(m_studioField, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_studioName = text;
        autosave();
    });
    connect(&m_store, &Store::changed, this, &SettingsView::storeChanged);
}

void SettingsView::buildArchiveSection(QWidget* content, QLayout* sections)
{
    const bool server = m_store.onServer();
    auto* archive = new FormSection(QStringLiteral("Archivio dati"), content);
    // A read-only field rather than a label: a path has no spaces to wrap at, and it must stay selectable.
    m_path = new QLineEdit(m_store.archiveLocation(), archive);
    m_path->setObjectName(QStringLiteral("databasePath"));
    m_path->setReadOnly(true);
    m_path->setFrame(false);
    m_path->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_path->setFont(PanelStyle::caption());
    m_path->setToolTip(m_path->text());
    m_path->setCursorPosition(0);
    QPalette pathPalette = m_path->palette();
    pathPalette.setColor(QPalette::Base, Qt::transparent);
    m_path->setPalette(pathPalette);
    archive->form()->addRow(server ? QStringLiteral("Server") : QStringLiteral("Database"), m_path);
    m_alignedSections.append(archive);

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
    sections->addWidget(archive);
}

void SettingsView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        loadFromStore();
}

void SettingsView::loadFromStore()
{
    m_studioName = m_store.studioName();
    m_seenStudioName = m_store.studioName();
    m_dentists = m_store.dentists();
    m_seenStoreDentists = m_store.dentists();
    showCopies();
}

void SettingsView::rebuildRows()
{
    QFormLayout* form = m_dentistSection->form();
    while (form->rowCount() > 0)
        form->removeRow(0);
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
                autosave();
            }
        });
        connect(row.well, &ColorWell::colorPicked, this, [this, i](const QColor& color) {
            if (i < m_dentists.size()) {
                m_dentists[i].colorHex = hexString(color);
                autosave();
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
    FormSection::alignLabels(m_alignedSections);
}

void SettingsView::addDentist()
{
    setMessage(m_store.addDentist());
}

void SettingsView::moveDentist(qint64 dentistId, int step)
{
    // Retired dentists have no column to pass: the arrows move among the columns the agenda shows.
    if (const std::optional<Dentist> other = m_store.nearestWorkingDentist(dentistId, step))
        setMessage(m_store.swapDentists(dentistId, other->id));
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
    DialogRequest request;
    request.icon = QMessageBox::Warning;
    request.title = QStringLiteral("Impossibile ritirare ") + dentist->name;
    request.message = *refusal;
    for (const Appointment& a : std::as_const(remaining))
        request.lines.append(m_store.appointmentLine(a));
    request.buttons = {{QStringLiteral("OK"), QMessageBox::AcceptRole}};
    request.escapeIndex = 0;
    Dialogs::exec(this, request);
}

// Puts the working copies into the controls without running autosave for each assignment, and
// without touching a field that already shows its text (so a cursor in it stays where it is).
void SettingsView::showCopies()
{
    QList<std::pair<qint64, bool>> shape;
    for (const Dentist& d : std::as_const(m_dentists))
        shape.append({d.id, d.retiredFrom.isValid()});
    if (shape != m_rowShape)
        rebuildRows();
    {
        const QSignalBlocker blocker(m_studioField);
        if (m_studioField->text() != m_studioName)
            m_studioField->setText(m_studioName);
    }
    for (qsizetype i = 0; i < m_dentists.size(); ++i) {
        const Dentist& d = m_dentists[i];
        const Row& row = m_rows[i];
        row.label->setText(QStringLiteral("Dentista ") + QString::number(d.position + 1));
        row.up->setEnabled(m_store.nearestWorkingDentist(d.id, -1).has_value());
        row.down->setEnabled(m_store.nearestWorkingDentist(d.id, 1).has_value());
        const QSignalBlocker blocker(row.name);
        if (row.name->text() != d.name)
            row.name->setText(d.name);
        row.well->setColor(colorFromHex(d.colorHex));
    }
}

void SettingsView::autosave()
{
    if (m_dentists.isEmpty() || anyBlankName(m_dentists))
        return;
    const QList<Dentist>& stored = m_store.dentists();
    if (m_studioName == m_store.studioName() && trimmedNames(m_dentists) == names(stored)
        && colors(m_dentists) == colors(stored))
        return;
    setMessage(m_store.saveSettings(m_studioName, m_dentists));
}

void SettingsView::storeChanged()
{
    // The practice name from elsewhere (another computer) replaces the copy unless it is being typed.
    if (m_store.studioName() != m_seenStudioName) {
        m_seenStudioName = m_store.studioName();
        if (!m_studioField->hasFocus() && m_studioName.trimmed() != m_seenStudioName) {
            m_studioName = m_seenStudioName;
            showCopies();
        }
    }
    const QList<Dentist>& fresh = m_store.dentists();
    if (fresh == m_seenStoreDentists)
        return;
    m_seenStoreDentists = fresh;
    if (sameColumns(fresh, m_dentists) && names(fresh) == trimmedNames(m_dentists)
        && colors(fresh) == colors(m_dentists))
        return;
    if (anyBlankName(m_dentists) && sameColumns(fresh, m_dentists))
        return; // a name being retyped is not overwritten
    // The name in the field with the cursor stays as typed; everything else follows the store.
    QList<Dentist> merged = fresh;
    for (qsizetype i = 0; i < merged.size() && i < m_dentists.size() && i < m_rows.size(); ++i)
        if (m_rows[i].name->hasFocus() && merged[i].id == m_dentists[i].id)
            merged[i].name = m_dentists[i].name;
    m_dentists = merged;
    showCopies();
    autosave();
}

void SettingsView::setMessage(const std::optional<QString>& message)
{
    m_message = message;
    m_note->setText(message.value_or(autosaveNote));
}

QString SettingsView::noteText() const
{
    return m_note->text();
}

void SettingsView::createBackup()
{
    try {
        const QString file = m_store.backupNow();
        setMessage(QStringLiteral("Backup creato: ") + QFileInfo(file).fileName());
    } catch (const DatabaseError& error) {
        setMessage(QStringLiteral("Backup non riuscito: ") + error.message());
    } catch (const std::exception& error) {
        setMessage(QStringLiteral("Backup non riuscito: ") + QString::fromLocal8Bit(error.what()));
    }
}

void SettingsView::revealDatabase()
{
    Desktop::revealFile(m_store.archiveLocation());
}
