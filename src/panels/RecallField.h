#pragma once

#include "Recall.h"
#include "RecallSettings.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDateEdit;

// The editor's "Richiamo": none, in 6 or 12 months, or on a chosen day, of one of the practice's kinds,
// and whether the patient agreed to be called. Until the receptionist touches it, a new appointment's
// field follows the practice's default for the treatment typed (see propose).
class RecallField : public QWidget {
    Q_OBJECT

public:
    RecallField(const RecallSettings& settings, const RecallPlan& plan, QWidget* parent);

    // What the controls say.
    [[nodiscard]] RecallPlan plan() const;
    // Shows a proposal, unless the receptionist has chosen already.
    void propose(const RecallPlan& plan);
    [[nodiscard]] bool touched() const { return m_touched; }

    [[nodiscard]] QComboBox* interval() const { return m_interval; }
    [[nodiscard]] QComboBox* kind() const { return m_kind; }
    [[nodiscard]] QDateEdit* day() const { return m_day; }
    [[nodiscard]] QCheckBox* consent() const { return m_consent; }

signals:
    void edited();

private:
    void show(const RecallPlan& plan);
    void updateEnabled();

    RecallSettings m_settings;
    QComboBox* m_interval = nullptr;
    QDateEdit* m_day = nullptr;
    QComboBox* m_kind = nullptr;
    QCheckBox* m_consent = nullptr;
    bool m_touched = false;
    bool m_showing = false;
};
