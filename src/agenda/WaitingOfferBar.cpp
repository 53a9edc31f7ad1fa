#include "WaitingOfferBar.h"

#include "AgendaStyle.h"
#include "Schedule.h"
#include "Store.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

WaitingOfferBar::WaitingOfferBar(Store& store, QWidget* parent)
    : QFrame(parent)
    , m_store(store)
    , m_text(new QLabel(this))
    , m_menu(new QMenu(this))
    , m_show(new QPushButton(QStringLiteral("Mostra"), this))
{
    setObjectName(QStringLiteral("waitingOffer"));
    setAccessibleName(QStringLiteral("Lista d'attesa"));
    AgendaStyle::tintLine(this);
    m_show->setObjectName(QStringLiteral("showWaiting"));
    m_show->setMenu(m_menu);
    auto* dismiss = new QPushButton(QStringLiteral("Ignora"), this);
    dismiss->setObjectName(QStringLiteral("dismissWaiting"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 6, 16, 6);
    layout->addWidget(m_text, 1);
    layout->addWidget(dismiss);
    layout->addWidget(m_show);
    connect(dismiss, &QPushButton::clicked, &m_store, &Store::dismissWaitingOffer);
    hide();
}

QString WaitingOfferBar::text() const
{
    return m_text->text();
}

void WaitingOfferBar::sync()
{
    const std::optional<Store::WaitingOffer>& offer = m_store.waitingOffer();
    if (!offer) {
        hide();
        return;
    }
    // Made again only for another offer: an action of the menu may be the one running now.
    if (m_slot == offer->slot && m_entries == offer->entries && !isHidden())
        return;
    m_slot = offer->slot;
    m_entries = offer->entries;
    const qsizetype n = offer->entries.size();
    m_text->setText(QStringLiteral("Lista d'attesa: ")
                    + (n == 1 ? QStringLiteral("1 paziente") : QStringLiteral("%1 pazienti").arg(n))
                    + QStringLiteral(" per ") + m_store.slotText(offer->slot));
    m_menu->clear();
    for (const WaitingEntry& e : offer->entries) {
        QString line = e.patient + QStringLiteral(" · ") + formatDuration(e.durationMinutes);
        if (!e.phone.isEmpty())
            line += QStringLiteral(" · ") + e.phone;
        // A copy: the offer goes as soon as the editor opens.
        m_menu->addAction(line, this, [this, e, slot = offer->slot] { m_store.bookFromWaitingList(e, slot); });
    }
    show();
}
