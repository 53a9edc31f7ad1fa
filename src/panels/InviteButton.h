#pragma once

#include "Appointment.h"

#include <QPushButton>

#include <functional>

class Store;

// "Salva invito (.ics)…": asks where to write the appointment as a calendar file for the patient (without
// telephone or notes) and writes it; a failure is said in an alert. `shown` gives the appointment as
// the editor shows it at the moment of the click.
class InviteButton : public QPushButton {
    Q_OBJECT

public:
    InviteButton(Store& store, std::function<Appointment()> shown, QWidget* parent);

    void saveInvite();

private:
    Store& m_store;
    std::function<Appointment()> m_shown;
};
