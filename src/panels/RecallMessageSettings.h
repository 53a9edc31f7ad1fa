#pragma once

#include "MessageTemplateSection.h"

class Store;

// The settings window's "Messaggio di richiamo": the text of the recall messages that «Richiami…» exports,
// with the practice's name and its last kind of recall in the example.
class RecallMessageSettings : public MessageTemplateSection {
    Q_OBJECT

public:
    explicit RecallMessageSettings(Store& store, QWidget* parent = nullptr);
};
