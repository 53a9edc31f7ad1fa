#pragma once

#include "Store.h"

#include <QFrame>

class QLabel;
class QMenu;
class QPushButton;

// A line across the agenda window, without interrupting anyone, while the store offers a freed start to
// the waiting list (Store::waitingOffer): "Lista d'attesa: 2 pazienti per mar 9 dic 10:00 (Dentista 1)".
// "Mostra" lists the patients who fit; picking one opens the editor on that start with the patient's
// data. "Ignora" puts the offer away.
class WaitingOfferBar : public QFrame {
    Q_OBJECT

public:
    explicit WaitingOfferBar(Store& store, QWidget* parent = nullptr);

    // Follows the store's offer.
    void sync();
    [[nodiscard]] QString text() const;
    // The patients offered, one action each (what "Mostra" shows).
    [[nodiscard]] QMenu* patientsMenu() const { return m_menu; }

private:
    Store& m_store;
    QLabel* m_text;
    QMenu* m_menu;
    QPushButton* m_show;
    FreeSlot m_slot;
    QList<WaitingEntry> m_entries;
};
