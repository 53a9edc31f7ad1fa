#include "DentistEditor.h"

#include "Color.h"
#include "ColorWell.h"
#include "Dialogs.h"
#include "PanelStyle.h"
#include "Store.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

DentistEditor::DentistEditor(Store& store, const Dentist& dentist, std::function<void()> close,
                             QWidget* parent)
    : QWidget(parent, Qt::Popup)
    , m_store(store)
    , m_dentist(dentist)
    , m_close(std::move(close))
    , m_color(colorFromHex(dentist.colorHex))
{
    setAccessibleName(QStringLiteral("Modifica dentista \u2013 ") + dentist.name);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(12);
    column->setSizeConstraint(QLayout::SetFixedSize);

    auto* title = new QLabel(QStringLiteral("Modifica dentista"), this);
    title->setFont(PanelStyle::headline());
    column->addWidget(title);

    auto* form = new QFormLayout;
    form->setContentsMargins(0, 0, 0, 0);
    form->setHorizontalSpacing(10);
    form->setVerticalSpacing(12);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_name = new QLineEdit(dentist.name, this);
    m_name->setObjectName(QStringLiteral("nameField"));
    m_name->setFixedWidth(260);
    m_name->setPlaceholderText(QStringLiteral("es. Dott. Bianchi"));
    form->addRow(QStringLiteral("Nome"), m_name);
    m_well = new ColorWell(this);
    m_well->setObjectName(QStringLiteral("colorWell"));
    m_well->setColor(m_color);
    m_well->setChooser([this](const QColor& current) { return chooseColor(current); });
    form->addRow(QStringLiteral("Colore"), m_well);
    column->addLayout(form);

    m_errorLabel = new QLabel(this);
    m_errorLabel->setObjectName(QStringLiteral("errorText"));
    m_errorLabel->setWordWrap(true);
    m_errorLabel->setMaximumWidth(320);
    PanelStyle::style(m_errorLabel, PanelStyle::caption(), PanelStyle::errorRed());
    m_errorLabel->hide();
    column->addWidget(m_errorLabel);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addStretch(1);
    auto* cancel = new QPushButton(QStringLiteral("Annulla"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    m_save = new QPushButton(QStringLiteral("Salva"), this);
    m_save->setObjectName(QStringLiteral("saveButton"));
    m_save->setDefault(true);
    PanelStyle::makeProminent(m_save);
    buttons->addWidget(cancel);
    buttons->addWidget(m_save);
    column->addLayout(buttons);

    m_save->setEnabled(!m_name->text().trimmed().isEmpty());
    connect(m_name, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_save->setEnabled(!text.trimmed().isEmpty()); });
    connect(m_well, &ColorWell::colorPicked, this, [this](const QColor& color) { m_color = color; });
    connect(cancel, &QPushButton::clicked, this, [this] { m_close(); });
    connect(m_save, &QPushButton::clicked, this, &DentistEditor::save);
    m_name->setFocus(Qt::OtherFocusReason);
}

QString DentistEditor::name() const
{
    return m_name->text();
}

void DentistEditor::save()
{
    const QString trimmed = m_name->text().trimmed();
    if (trimmed.isEmpty())
        return;
    Dentist changed = m_dentist;
    changed.name = trimmed;
    changed.colorHex = hexString(m_color);
    m_error = m_store.updateDentist(changed);
    m_errorLabel->setText(m_error.value_or(QString()));
    m_errorLabel->setVisible(m_error.has_value());
    if (!m_error)
        m_close();
}

void DentistEditor::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        m_close();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Also the Return that the name field passes on: save() ignores a blank name.
        save();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void DentistEditor::paintEvent(QPaintEvent*)
{
    // A popup window has no frame of its own.
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(0.25f);
    p.setPen(border);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

std::optional<QColor> DentistEditor::chooseColor(const QColor& current)
{
    // A modal chooser ends any open popup, and the popup's owner may delete it then: hide instead,
    // choose over the window below, and come back at the same place unless closed meanwhile.
    QPointer<DentistEditor> self(this);
    const QPoint at = pos();
    const bool wasVisible = isVisible();
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    hide();
    const std::optional<QColor> chosen = Dialogs::chooseColor(owner, current);
    if (self && wasVisible) {
        move(at);
        show();
        m_name->setFocus(Qt::OtherFocusReason);
    }
    return chosen;
}
