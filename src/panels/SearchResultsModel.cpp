#include "SearchResultsModel.h"

#include "Cal.h"
#include "Store.h"

#include <QStringList>

SearchResultsModel::SearchResultsModel(const Store& store, QObject* parent)
    : QAbstractListModel(parent)
    , m_store(store)
{
}

void SearchResultsModel::setResults(const QList<Appointment>& results, const QString& todayKey)
{
    beginResetModel();
    m_results = results;
    m_todayKey = todayKey;
    m_texts.assign(size_t(results.size()), std::nullopt);
    endResetModel();
}

int SearchResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_results.size());
}

const SearchResultsModel::Texts& SearchResultsModel::texts(int row) const
{
    std::optional<Texts>& cached = m_texts[size_t(row)];
    if (!cached) {
        const Appointment& a = m_results[row];
        QStringList details;
        if (const std::optional<Dentist> dentist = m_store.dentist(a.dentistId))
            details.append(dentist->name);
        if (!a.treatment.isEmpty())
            details.append(a.treatment);
        if (!a.phone.isEmpty())
            details.append(a.phone);
        cached = Texts{Cal::capitalizedFirst(Cal::format(a.date(), QStringLiteral("EEEddMMyyyy"))),
                       a.timeRange(), details.join(QStringLiteral(" · "))};
    }
    return *cached;
}

QVariant SearchResultsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_results.size())
        return {};
    const Appointment& a = m_results[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case PatientRole:
        return a.patient;
    case Qt::AccessibleTextRole:
        return texts(index.row()).day + u' ' + texts(index.row()).time + u' ' + a.patient;
    case DayRole:
        return texts(index.row()).day;
    case TimeRole:
        return texts(index.row()).time;
    case DetailsRole:
        return texts(index.row()).details;
    case PastRole:
        return a.day < m_todayKey;
    default:
        return {};
    }
}
