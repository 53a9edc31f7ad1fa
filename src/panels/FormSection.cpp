#include "FormSection.h"

#include "PanelStyle.h"

#include <QFormLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

FormSection::FormSection(const QString& title, QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(5);
    if (!title.isEmpty()) {
        m_title = new QLabel(title, this);
        QFont font = PanelStyle::callout();
        font.setWeight(QFont::DemiBold);
        PanelStyle::style(m_title, font, PanelStyle::secondaryText(palette()));
        m_title->setContentsMargins(10, 0, 0, 0);
        column->addWidget(m_title);
    }
    auto* box = new FormBox(this);
    m_form = new QFormLayout(box);
    m_form->setContentsMargins(12, 10, 12, 10);
    m_form->setHorizontalSpacing(16);
    m_form->setVerticalSpacing(8);
    m_form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_form->setFormAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    m_form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    column->addWidget(box);
}

void FormSection::alignLabels(const QList<FormSection*>& sections)
{
    QList<QWidget*> labels;
    int widest = 0;
    for (FormSection* section : sections) {
        QFormLayout* form = section->form();
        for (int row = 0; row < form->rowCount(); ++row) {
            QLayoutItem* item = form->itemAt(row, QFormLayout::LabelRole);
            if (item && item->widget()) {
                labels.append(item->widget());
                widest = std::max(widest, item->widget()->sizeHint().width());
            }
        }
    }
    for (QWidget* label : std::as_const(labels))
        label->setMinimumWidth(widest);
}

FormBox::FormBox(QWidget* parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
}

void FormBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(0.12f);
    p.setPen(QPen(border, 1));
    p.setBrush(palette().color(QPalette::Base));
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
}
