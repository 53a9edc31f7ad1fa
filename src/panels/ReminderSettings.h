#pragma once

#include "MessageTemplateSection.h"

class Store;

// The settings window's "Promemoria": the text of the reminder messages that «Da confermare…» exports,
// with the practice's name and first dentist in its example.
class ReminderSettings : public MessageTemplateSection {
    Q_OBJECT

public:
    explicit ReminderSettings(Store& store, QWidget* parent = nullptr);
};
