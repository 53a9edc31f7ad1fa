#include "TreatmentField.h"

#include "PanelStyle.h"
#include "Store.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

TreatmentField::TreatmentField(const QString& text, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    m_text = new QLineEdit(text, this);
    m_text->setObjectName(QStringLiteral("treatmentField"));
    layout->addWidget(m_text, 1);
    m_button = new QToolButton(this);
    m_button->setObjectName(QStringLiteral("suggestionsButton"));
    m_button->setAutoRaise(true);
    m_button->setIcon(PanelStyle::listBulletIcon(palette()));
    m_button->setToolTip(QStringLiteral("Scegli una prestazione"));
    m_button->setAccessibleName(QStringLiteral("Scegli una prestazione"));
    m_button->setPopupMode(QToolButton::InstantPopup);
    m_button->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0px; }"));
    m_menu = new QMenu(m_button);
    m_button->setMenu(m_menu);
    layout->addWidget(m_button);
}

void TreatmentField::fetchSuggestions(Store& store)
{
    store.treatmentSuggestions(this, [this](const QStringList& suggestions) {
        for (const QString& treatment : suggestions) {
            QString title = treatment;
            QAction* item = m_menu->addAction(title.replace(u'&', QStringLiteral("&&")));
            connect(item, &QAction::triggered, this, [this, treatment] { m_text->setText(treatment); });
        }
        m_button->setEnabled(true);
    });
    if (m_menu->isEmpty())
        m_button->setEnabled(false);
}
