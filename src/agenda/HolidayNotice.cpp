#include "HolidayNotice.h"

#include "AgendaStyle.h"
#include "ClosedDaysSection.h"
#include "DatabaseError.h"
#include "Store.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

HolidayNotice::HolidayNotice(Store& store, QWidget* parent)
    : QFrame(parent)
    , m_store(store)
    , m_text(new QLabel(this))
{
    setObjectName(QStringLiteral("holidayNotice"));
    AgendaStyle::tintLine(this);
    auto* add = new QPushButton(QStringLiteral("Aggiungi le festività"), this);
    auto* later = new QPushButton(QStringLiteral("Non ora"), this);
    add->setObjectName(QStringLiteral("addHolidays"));
    later->setObjectName(QStringLiteral("declineHolidays"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 6, 16, 6);
    layout->addWidget(m_text, 1);
    layout->addWidget(later);
    layout->addWidget(add);
    connect(add, &QPushButton::clicked, this, [this] { answer(true); });
    connect(later, &QPushButton::clicked, this, [this] { answer(false); });
    hide();
}

QString HolidayNotice::text() const
{
    return m_text->text();
}

void HolidayNotice::showOffer()
{
    const std::optional<int> year = m_store.holidayOffer();
    if (!year)
        return;
    m_year = *year;
    m_text->setText(QStringLiteral("Le festività del %1 non sono tra le chiusure.").arg(m_year));
    show();
}

void HolidayNotice::sync()
{
    if (!isHidden() && m_store.holidayOffer() != m_year)
        hide();
}

void HolidayNotice::answer(bool add)
{
    // Holidays that already hold appointments are closed only once the receptionist has seen them.
    if (add) {
        try {
            const QList<ClosedPeriod> missing = ClosedDays::missingHolidays(m_store.closedPeriods(), m_year);
            if (!ClosedDaysSection::confirmClosingOver(this, m_store, m_store.appointmentsIn(missing)))
                return;
        } catch (const DatabaseError& error) {
            m_store.setAlertMessage(QStringLiteral("Errore nella lettura degli appuntamenti: ") + error.message());
            return;
        }
    }
    hide();
    const std::optional<QString> failure =
        add ? m_store.addHolidays(m_year) : m_store.declineHolidays(m_year);
    if (failure)
        m_store.setAlertMessage(failure);
    emit answered();
}
