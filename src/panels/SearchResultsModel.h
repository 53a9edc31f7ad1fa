#pragma once

#include "Appointment.h"

#include <QAbstractListModel>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

class Store;

// The rows of the search panel: one per appointment, in the order given. The texts of a row are
// built when the row is first asked for, so a new result list costs nothing for rows never shown.
class SearchResultsModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        DayRole = Qt::UserRole + 1, // "Mer 04/12/2024": the day with its first letter in upper case
        TimeRole,                   // "10:00–10:30"
        PatientRole,
        DetailsRole, // dentist name, treatment and telephone, those present, joined by " · "
        PastRole,    // bool: the day lies before `todayKey`
    };

    // `store` names the dentists; it must outlive the model.
    explicit SearchResultsModel(const Store& store, QObject* parent = nullptr);

    // Replaces every row; days whose key sorts before todayKey (as text) are past.
    void setResults(const QList<Appointment>& results, const QString& todayKey);
    [[nodiscard]] const QList<Appointment>& results() const { return m_results; }

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;

private:
    struct Texts {
        QString day;
        QString time;
        QString details;
    };
    [[nodiscard]] const Texts& texts(int row) const;

    const Store& m_store;
    QList<Appointment> m_results;
    QString m_todayKey;
    mutable std::vector<std::optional<Texts>> m_texts;
};
