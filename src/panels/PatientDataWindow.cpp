#include "PatientDataWindow.h"

#include "Clock.h"
#include "DatabaseError.h"
#include "Dialogs.h"
#include "PanelStyle.h"
#include "PatientExport.h"
#include "PatientLines.h"
#include "Store.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString noPhone = QStringLiteral("Senza telefono");

QString counted(qsizetype n, const QString& one, const QString& many)
{
    return QString::number(n) + u' ' + (n == 1 ? one : many);
}

QTreeWidgetItem* lineItem(const PatientLines::Line& line)
{
    auto* item = new QTreeWidgetItem(QStringList{line.day, line.time, line.dentist, line.treatment, line.phone, line.status});
    item->setToolTip(0, line.kind);
    QStringList details;
    if (!line.cancellation.isEmpty())
        details.append(line.cancellation);
    if (!line.notes.isEmpty())
        details.append(QStringLiteral("Note: ") + line.notes);
    details += line.log;
    for (const QString& text : details) {
        auto* child = new QTreeWidgetItem(item);
        child->setText(0, text);
        child->setFirstColumnSpanned(true);
    }
    return item;
}

} // namespace

PatientDataWindow::PatientDataWindow(Store& store, const QString& patient, QWidget* parent)
    : QDialog(parent)
    , m_store(store)
{
    setWindowTitle(QStringLiteral("Dati del paziente"));
    resize(860, 560);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    m_title = new QLabel(this);
    m_title->setFont(PanelStyle::headline());
    column->addWidget(m_title);
    m_summary = new QLabel(this);
    m_summary->setWordWrap(true);
    PanelStyle::style(m_summary, PanelStyle::callout(), PanelStyle::secondaryText(palette()));
    column->addWidget(m_summary);

    auto* phonesTitle = new QLabel(QStringLiteral("Telefoni usati (togli la spunta a quelli di un omonimo):"), this);
    column->addWidget(phonesTitle);
    m_phones = new QListWidget(this);
    m_phones->setObjectName(QStringLiteral("phoneList"));
    m_phones->setAccessibleName(QStringLiteral("Telefoni usati"));
    m_phones->setMaximumHeight(90);
    column->addWidget(m_phones);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("patientAppointments"));
    m_list->setAccessibleName(QStringLiteral("Appuntamenti del paziente"));
    m_list->setAllColumnsShowFocus(true);
    m_list->setHeaderLabels({QStringLiteral("Giorno"), QStringLiteral("Ora"), QStringLiteral("Dentista"),
                             QStringLiteral("Prestazione"), QStringLiteral("Telefono"), QStringLiteral("Stato")});
    m_list->header()->setSectionResizeMode(3, QHeaderView::Stretch);
    m_list->header()->setStretchLastSection(false);
    column->addWidget(m_list, 1);

    auto* buttons = new QDialogButtonBox(this);
    m_pdf = buttons->addButton(QStringLiteral("Salva PDF…"), QDialogButtonBox::ActionRole);
    m_csv = buttons->addButton(QStringLiteral("Salva CSV…"), QDialogButtonBox::ActionRole);
    m_anonymise = buttons->addButton(QStringLiteral("Anonimizza…"), QDialogButtonBox::DestructiveRole);
    QPushButton* close = buttons->addButton(QStringLiteral("Chiudi"), QDialogButtonBox::RejectRole);
    close->setDefault(true);
    column->addWidget(buttons);
    connect(m_pdf, &QPushButton::clicked, this, &PatientDataWindow::savePdf);
    connect(m_csv, &QPushButton::clicked, this, &PatientDataWindow::saveCsv);
    connect(m_anonymise, &QPushButton::clicked, this, [this] {
        QStringList kept = m_record.phones();
        for (const QString& phone : excludedPhones())
            kept.removeAll(phone);
        emit anonymiseRequested(m_record.name, kept);
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_phones, &QListWidget::itemChanged, this, [this] { fillList(); });

    load(patient);
}

void PatientDataWindow::load(const QString& patient)
{
    m_record = PatientRecord{patient.trimmed(), {}, {}, {}};
    m_title->setText(QStringLiteral("Dati del paziente \u2013 ") + m_record.name);
    try {
        m_record = m_store.patientRecord(patient);
        m_loaded = true;
    } catch (const DatabaseError&) {
        m_loaded = false;
    }
    fillPhones();
    fillList();
}

void PatientDataWindow::fillPhones()
{
    const QSignalBlocker quiet(m_phones);
    m_phones->clear();
    for (const QString& phone : m_record.phones()) {
        auto* item = new QListWidgetItem(phone.isEmpty() ? noPhone : phone, m_phones);
        item->setData(Qt::UserRole, phone);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
}

QStringList PatientDataWindow::excludedPhones() const
{
    QStringList excluded;
    for (int i = 0; i < m_phones->count(); ++i)
        if (m_phones->item(i)->checkState() != Qt::Checked)
            excluded.append(m_phones->item(i)->data(Qt::UserRole).toString());
    return excluded;
}

PatientRecord PatientDataWindow::shown() const
{
    return m_record.without(excludedPhones());
}

QString PatientDataWindow::summary() const
{
    return m_summary->text();
}

void PatientDataWindow::fillList()
{
    const PatientRecord record = shown();
    m_list->clear();
    const auto dentistName = [this](qint64 id) {
        const std::optional<Dentist> d = m_store.dentist(id);
        return d ? d->name : QString();
    };
    for (const PatientLines::Line& line : PatientLines::of(record, dentistName))
        m_list->addTopLevelItem(lineItem(line));
    for (int c = 0; c < m_list->columnCount(); ++c)
        if (c != 3)
            m_list->resizeColumnToContents(c);

    qsizetype cancelled = 0;
    for (const PatientVisit& v : record.visits)
        cancelled += v.cancellation ? 1 : 0;
    if (!m_loaded)
        m_summary->setText(Store::unansweredText());
    else if (m_record.isEmpty())
        m_summary->setText(QStringLiteral("Nessun appuntamento a nome «") + m_record.name + QStringLiteral("»."));
    else
        m_summary->setText(counted(record.visits.size(), QStringLiteral("appuntamento"), QStringLiteral("appuntamenti"))
                           + QStringLiteral(" (") + counted(cancelled, QStringLiteral("disdetto"), QStringLiteral("disdetti"))
                           + QStringLiteral("), ") + counted(record.waiting.size(), QStringLiteral("voce"), QStringLiteral("voci"))
                           + QStringLiteral(" in lista d'attesa")
                           + (record.recalls.isEmpty() ? QString()
                                                       : QStringLiteral(" e ")
                                      + counted(record.recalls.size(), QStringLiteral("richiamo"), QStringLiteral("richiami")))
                           + u'.');
    const bool any = !record.isEmpty();
    m_pdf->setEnabled(any);
    m_csv->setEnabled(any);
    m_anonymise->setEnabled(any);
}

void PatientDataWindow::savePdf()
{
    save(QStringLiteral("Salva PDF"), QStringLiteral(".pdf"), QStringLiteral("PDF (*.pdf)"), PatientExport::writePdf);
}

void PatientDataWindow::saveCsv()
{
    save(QStringLiteral("Salva CSV"), QStringLiteral(".csv"), QStringLiteral("CSV (*.csv)"), PatientExport::writeCsv);
}

void PatientDataWindow::save(const QString& title, const QString& extension, const QString& filter, Writer write)
{
    const std::optional<QString> path = Dialogs::chooseSaveFile(
        this, title, PatientExport::baseName(m_record.name, Clock::today()) + extension, filter);
    if (!path)
        return;
    const std::optional<QString> failure = write(m_store, shown(), *path);
    if (!failure)
        return;
    Dialogs::tell(this, QMessageBox::Warning, QStringLiteral("Il file non è stato salvato."), *failure);
}
