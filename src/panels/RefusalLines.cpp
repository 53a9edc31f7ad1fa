#include "RefusalLines.h"

#include "PanelStyle.h"
#include "Schedule.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

RefusalLines::RefusalLines(int padding, QWidget* parent)
    : QWidget(parent)
{
    auto* lines = new QVBoxLayout(this);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(0);

    m_errorLine = new QWidget(this);
    auto* errorRow = new QHBoxLayout(m_errorLine);
    errorRow->setContentsMargins(padding, 6, padding, 0);
    errorRow->setSpacing(6);
    auto* triangle = new QLabel(m_errorLine);
    const int iconSize = QFontMetrics(PanelStyle::body()).height() - 2;
    triangle->setPixmap(PanelStyle::warningTrianglePixmap(iconSize, devicePixelRatioF()));
    triangle->setAlignment(Qt::AlignTop);
    errorRow->addWidget(triangle, 0, Qt::AlignTop);
    m_errorText = new QLabel(m_errorLine);
    m_errorText->setObjectName(QStringLiteral("errorText"));
    m_errorText->setWordWrap(true);
    PanelStyle::style(m_errorText, PanelStyle::body(), PanelStyle::errorRed());
    errorRow->addWidget(m_errorText, 1);
    lines->addWidget(m_errorLine);

    m_alternativesLine = new QWidget(this);
    m_alternativesLine->setObjectName(QStringLiteral("alternatives"));
    auto* alternativesRow = new QHBoxLayout(m_alternativesLine);
    alternativesRow->setContentsMargins(padding + iconSize + 6, 4, padding, 0);
    alternativesRow->setSpacing(6);
    lines->addWidget(m_alternativesLine);
    m_alternativesLine->hide();
    hide();
}

void RefusalLines::setError(const std::optional<QString>& message)
{
    if (!message)
        setAlternatives({});
    if (message == m_error)
        return;
    m_error = message;
    m_errorText->setText(message.value_or(QString()));
    setVisible(message.has_value());
}

// One button per nearest free start: a click hands it to the editor, which puts it in its start picker.
void RefusalLines::setAlternatives(const QList<int>& starts)
{
    if (starts == m_starts)
        return;
    m_starts = starts;
    QLayout* row = m_alternativesLine->layout();
    while (QLayoutItem* item = row->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    if (starts.isEmpty()) {
        m_alternativesLine->hide();
        return;
    }
    auto* caption = new QLabel(starts.size() == 1 ? QStringLiteral("Libero più vicino:")
                                                  : QStringLiteral("Liberi più vicini:"),
                               m_alternativesLine);
    PanelStyle::style(caption, PanelStyle::body(), PanelStyle::secondaryText(palette()));
    row->addWidget(caption);
    for (qsizetype i = 0; i < starts.size(); ++i) {
        auto* button =
            new QPushButton(QStringLiteral("Alle ") + Schedule::clockText(starts[i]), m_alternativesLine);
        button->setObjectName(QStringLiteral("alternative%1").arg(i));
        button->setAutoDefault(false);
        const int start = starts[i];
        connect(button, &QPushButton::clicked, this, [this, start] { emit startChosen(start); });
        row->addWidget(button);
    }
    static_cast<QHBoxLayout*>(row)->addStretch(1);
    m_alternativesLine->show();
}
