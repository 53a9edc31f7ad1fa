#include "RecallSettingsPage.h"

#include "AccessibleComboBox.h"
#include "DatabaseError.h"
#include "FormSection.h"
#include "PanelStyle.h"
#include "Store.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

bool sameName(const QString& a, const QString& b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

// "Controllo" and "Igiene" stay: the editor and the practice's habits count on them.
bool builtIn(const QString& name)
{
    const QList<RecallSettings::Kind> kinds = RecallSettings::defaults().kinds;
    return std::any_of(kinds.begin(), kinds.end(), [&name](const RecallSettings::Kind& k) { return sameName(k.name, name); });
}

// What the archive keeps of the page's copy: names without outer spaces, no treatment still blank.
RecallSettings normalised(RecallSettings s)
{
    for (RecallSettings::Kind& k : s.kinds)
        k.name = k.name.trimmed();
    s.treatments.removeIf([](const RecallSettings::TreatmentDefault& t) { return t.treatment.trimmed().isEmpty(); });
    for (RecallSettings::TreatmentDefault& t : s.treatments) {
        t.treatment = t.treatment.trimmed();
        t.kind = t.kind.trimmed();
    }
    return s;
}

QComboBox* monthsBox(int months, const QString& name, const QString& accessible, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setAccessibleName(accessible);
    box->addItem(QStringLiteral("6 mesi"), 6);
    box->addItem(QStringLiteral("12 mesi"), 12);
    box->setCurrentIndex(months == 12 ? 1 : 0);
    return box;
}

QToolButton* removeButton(const QString& name, const QString& what, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(QStringLiteral("Togli"));
    button->setAccessibleName(QStringLiteral("Togli «") + what + u'»');
    return button;
}

QLabel* caption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    PanelStyle::style(label, PanelStyle::caption(), PanelStyle::secondaryText(parent->palette()));
    label->setWordWrap(true);
    return label;
}

// A fresh grid of rows in `holder`, the old one (whose button may be the caller) going once it is done.
QGridLayout* freshGrid(QVBoxLayout* holder, QWidget*& rows, const QStringList& headers)
{
    if (rows) {
        rows->hide();
        rows->setParent(nullptr); // out of the page's children at once
        rows->deleteLater();
    }
    rows = new QWidget(holder->parentWidget());
    auto* grid = new QGridLayout(rows);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(4);
    for (qsizetype i = 0; i < headers.size(); ++i)
        grid->addWidget(caption(headers[i], rows), 0, int(i));
    grid->setColumnStretch(0, 1);
    holder->insertWidget(0, rows);
    return grid;
}

} // namespace

RecallSettingsPage::RecallSettingsPage(Store& store, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
{
    AccessibleComboBox::installFactory(); // the boxes named by what they choose, not by their value
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("recallSettingsMessage"));
    m_message->setWordWrap(true);
    QPalette red = m_message->palette();
    red.setColor(QPalette::WindowText, PanelStyle::errorRed());
    m_message->setPalette(red);
    try {
        m_settings = m_store.recallSettings();
        m_seen = m_settings;
    } catch (const DatabaseError& error) {
        say(QStringLiteral("Errore nella lettura delle impostazioni: ") + error.message());
        setEnabled(false);
    }
    auto* sections = new QVBoxLayout(this);
    sections->setContentsMargins(0, 0, 0, 0);
    sections->setSpacing(16);
    sections->addWidget(buildKinds());
    sections->addWidget(buildTreatments());
    sections->addWidget(buildConsent());
    sections->addWidget(m_message);
    showKinds();
    showTreatments();
    if (isEnabled())
        say(QString());
    connect(&m_store, &Store::recallsChanged, this, &RecallSettingsPage::refresh);
}

FormSection* RecallSettingsPage::buildKinds()
{
    auto* section = new FormSection(QStringLiteral("Tipi di richiamo"), this);
    auto* holder = new QWidget(section);
    m_kindsHolder = new QVBoxLayout(holder);
    m_kindsHolder->setContentsMargins(0, 0, 0, 0);
    auto* add = new QPushButton(QStringLiteral("Aggiungi un tipo"), holder);
    add->setObjectName(QStringLiteral("recallKindAdd"));
    add->setAutoDefault(false);
    connect(add, &QPushButton::clicked, this, &RecallSettingsPage::addKind);
    m_kindsHolder->addWidget(add, 0, Qt::AlignLeft);
    section->form()->addRow(holder);
    section->form()->addRow(caption(QStringLiteral("L'intervallo è quello proposto nell'editor, la durata quella che "
                                                   "«Primo posto libero» cerca per prenotare il richiamo."),
                                    section));
    return section;
}

FormSection* RecallSettingsPage::buildTreatments()
{
    auto* section = new FormSection(QStringLiteral("Richiamo proposto per prestazione"), this);
    auto* holder = new QWidget(section);
    m_treatmentsHolder = new QVBoxLayout(holder);
    m_treatmentsHolder->setContentsMargins(0, 0, 0, 0);
    auto* add = new QPushButton(QStringLiteral("Aggiungi una prestazione"), holder);
    add->setObjectName(QStringLiteral("recallTreatmentAdd"));
    add->setAutoDefault(false);
    connect(add, &QPushButton::clicked, this, &RecallSettingsPage::addTreatment);
    m_treatmentsHolder->addWidget(add, 0, Qt::AlignLeft);
    section->form()->addRow(holder);
    return section;
}

FormSection* RecallSettingsPage::buildConsent()
{
    auto* section = new FormSection(QStringLiteral("Consenso"), this);
    m_consent = new QCheckBox(QStringLiteral("Consenso al richiamo predefinito"), section);
    m_consent->setObjectName(QStringLiteral("recallConsent"));
    m_consent->setChecked(m_settings.consentByDefault);
    connect(m_consent, &QCheckBox::toggled, this, [this](bool on) {
        m_settings.consentByDefault = on;
        save();
    });
    section->form()->addRow(m_consent);
    section->form()->addRow(caption(QStringLiteral("Proposto per ogni nuovo richiamo. Chi non ha dato il consenso "
                                                   "non compare nell'elenco dei richiami né nei file esportati."),
                                    section));
    return section;
}

void RecallSettingsPage::showKinds()
{
    QGridLayout* grid = freshGrid(m_kindsHolder, m_kindRows,
                                  {QStringLiteral("Tipo"), QStringLiteral("Intervallo"), QStringLiteral("Durata")});
    for (qsizetype i = 0; i < m_settings.kinds.size(); ++i) {
        const RecallSettings::Kind& kind = m_settings.kinds[i];
        const int row = int(i) + 1;
        const bool fixed = builtIn(kind.name);
        if (fixed) {
            grid->addWidget(new QLabel(kind.name, m_kindRows), row, 0);
        } else {
            auto* name = new QLineEdit(kind.name, m_kindRows);
            name->setObjectName(QStringLiteral("recallKindName%1").arg(i));
            name->setAccessibleName(QStringLiteral("Nome del tipo di richiamo"));
            connect(name, &QLineEdit::textEdited, this, [this, i](const QString& text) { renameKind(i, text); });
            grid->addWidget(name, row, 0);
        }
        QComboBox* months = monthsBox(kind.months, QStringLiteral("recallKindMonths%1").arg(i),
                                      QStringLiteral("Intervallo di «") + kind.name + u'»', m_kindRows);
        connect(months, &QComboBox::currentIndexChanged, this, [this, i, months] {
            m_settings.kinds[i].months = months->currentData().toInt();
            save();
        });
        grid->addWidget(months, row, 1);
        auto* minutes = new QSpinBox(m_kindRows);
        minutes->setObjectName(QStringLiteral("recallKindMinutes%1").arg(i));
        minutes->setAccessibleName(QStringLiteral("Durata di «") + kind.name + u'»');
        minutes->setRange(15, 240);
        minutes->setSingleStep(5);
        minutes->setSuffix(QStringLiteral(" min"));
        minutes->setValue(kind.durationMinutes);
        connect(minutes, &QSpinBox::valueChanged, this, [this, i](int value) {
            m_settings.kinds[i].durationMinutes = value;
            save();
        });
        grid->addWidget(minutes, row, 2);
        if (!fixed) {
            QToolButton* remove = removeButton(QStringLiteral("recallKindRemove%1").arg(i), kind.name, m_kindRows);
            connect(remove, &QToolButton::clicked, this, [this, i] { removeKind(i); });
            grid->addWidget(remove, row, 3);
        }
    }
}

void RecallSettingsPage::showTreatments()
{
    QGridLayout* grid = freshGrid(m_treatmentsHolder, m_treatmentRows,
                                  {QStringLiteral("Prestazione"), QStringLiteral("Tipo"), QStringLiteral("Intervallo")});
    for (qsizetype i = 0; i < m_settings.treatments.size(); ++i) {
        const RecallSettings::TreatmentDefault& t = m_settings.treatments[i];
        const int row = int(i) + 1;
        auto* treatment = new QLineEdit(t.treatment, m_treatmentRows);
        treatment->setObjectName(QStringLiteral("recallTreatment%1").arg(i));
        treatment->setAccessibleName(QStringLiteral("Prestazione"));
        connect(treatment, &QLineEdit::textEdited, this, [this, i](const QString& text) {
            m_settings.treatments[i].treatment = text;
            save();
        });
        grid->addWidget(treatment, row, 0);
        auto* kind = new QComboBox(m_treatmentRows);
        kind->setObjectName(QStringLiteral("recallTreatmentKind%1").arg(i));
        kind->setAccessibleName(QStringLiteral("Tipo di richiamo per la prestazione"));
        for (const RecallSettings::Kind& k : std::as_const(m_settings.kinds)) {
            kind->addItem(k.name);
            if (sameName(k.name, t.kind))
                kind->setCurrentIndex(kind->count() - 1);
        }
        grid->addWidget(kind, row, 1);
        QComboBox* months = monthsBox(t.months, QStringLiteral("recallTreatmentMonths%1").arg(i),
                                      QStringLiteral("Intervallo per la prestazione"), m_treatmentRows);
        grid->addWidget(months, row, 2);
        connect(kind, &QComboBox::currentIndexChanged, this, [this, i, months](int index) {
            // A kind chosen brings its usual interval along.
            const RecallSettings::Kind& chosen = m_settings.kinds[index];
            m_settings.treatments[i].kind = chosen.name;
            m_settings.treatments[i].months = chosen.months;
            const QSignalBlocker blocker(months);
            months->setCurrentIndex(chosen.months == 12 ? 1 : 0);
            save();
        });
        connect(months, &QComboBox::currentIndexChanged, this, [this, i, months] {
            m_settings.treatments[i].months = months->currentData().toInt();
            save();
        });
        QToolButton* remove = removeButton(QStringLiteral("recallTreatmentRemove%1").arg(i),
                                           t.treatment.isEmpty() ? QStringLiteral("prestazione") : t.treatment, m_treatmentRows);
        connect(remove, &QToolButton::clicked, this, [this, i] {
            m_settings.treatments.removeAt(i);
            showTreatments();
            save();
        });
        grid->addWidget(remove, row, 3);
    }
}

void RecallSettingsPage::renameKind(qsizetype index, const QString& name)
{
    const QString old = m_settings.kinds[index].name;
    m_settings.kinds[index].name = name;
    // The treatments that proposed it follow the new name.
    for (RecallSettings::TreatmentDefault& t : m_settings.treatments)
        if (sameName(t.kind, old))
            t.kind = name;
    showTreatments();
    save();
}

void RecallSettingsPage::removeKind(qsizetype index)
{
    const QString name = m_settings.kinds[index].name;
    for (const RecallSettings::TreatmentDefault& t : std::as_const(m_settings.treatments))
        if (sameName(t.kind, name)) {
            say(QStringLiteral("«") + name.trimmed() + QStringLiteral("» è proposto per la prestazione «")
                + t.treatment.trimmed() + QStringLiteral("»: scegli prima un altro tipo per quella prestazione."));
            return;
        }
    m_settings.kinds.removeAt(index);
    showKinds();
    showTreatments();
    save();
}

void RecallSettingsPage::addKind()
{
    QString name = QStringLiteral("Nuovo tipo");
    for (int n = 2; m_settings.kind(name); ++n)
        name = QStringLiteral("Nuovo tipo %1").arg(n);
    m_settings.kinds.append({name, 6, 30});
    showKinds();
    showTreatments();
    save();
    if (auto* field = m_kindRows->findChild<QLineEdit*>(QStringLiteral("recallKindName%1").arg(m_settings.kinds.size() - 1))) {
        field->setFocus(Qt::TabFocusReason);
        field->selectAll();
    }
}

void RecallSettingsPage::addTreatment()
{
    const RecallSettings::Kind first = m_settings.kinds.value(0);
    m_settings.treatments.append({QString(), first.name, first.months});
    showTreatments();
    if (auto* field = m_treatmentRows->findChild<QLineEdit*>(
            QStringLiteral("recallTreatment%1").arg(m_settings.treatments.size() - 1)))
        field->setFocus(Qt::TabFocusReason);
}

void RecallSettingsPage::save()
{
    const RecallSettings next = normalised(m_settings);
    if (next == m_seen) {
        say(QString());
        return;
    }
    // Seen before the store says it changed, so that this page's own save does not rebuild its rows.
    const RecallSettings before = m_seen;
    m_seen = next;
    const std::optional<QString> failure = m_store.setRecallSettings(next);
    if (failure)
        m_seen = before;
    say(failure.value_or(QString()));
}

void RecallSettingsPage::refresh()
{
    RecallSettings fresh;
    try {
        fresh = m_store.recallSettings();
    } catch (const DatabaseError& error) {
        say(QStringLiteral("Errore nella lettura delle impostazioni: ") + error.message());
        return;
    }
    if (fresh == m_seen)
        return;
    m_seen = fresh;
    if (fresh == normalised(m_settings))
        return;
    m_settings = fresh;
    const QSignalBlocker blocker(m_consent);
    m_consent->setChecked(fresh.consentByDefault);
    showKinds();
    showTreatments();
}

void RecallSettingsPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous() && isEnabled())
        refresh();
}

void RecallSettingsPage::say(const QString& text)
{
    m_message->setText(text);
    m_message->setVisible(!text.isEmpty());
}

QString RecallSettingsPage::message() const
{
    return m_message->text();
}
