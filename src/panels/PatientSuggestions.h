#pragma once

#include "KnownPatient.h"

#include <QList>
#include <QObject>

class QCompleter;
class QLineEdit;
class QStandardItemModel;
class Store;

// The patients already in the agenda whose name holds what is typed in a name field, offered under it
// as "name · telephone"; picking one fills the name and the telephone field (which stays editable).
class PatientSuggestions : public QObject {
    Q_OBJECT

public:
    // The store and both fields must outlive the suggestions (the fields' sheet owns them).
    PatientSuggestions(Store& store, QLineEdit* name, QLineEdit* phone, QObject* parent);

    [[nodiscard]] QCompleter* completer() const { return m_completer; }

signals:
    // A suggestion was picked; both fields hold it.
    void picked(const QString& name, const QString& phone);

private:
    void suggest(const QString& text);
    void show(const QList<KnownPatient>& found);

    Store& m_store;
    QLineEdit* m_name;
    QLineEdit* m_phone;
    QStandardItemModel* m_known = nullptr;
    QCompleter* m_completer = nullptr;
};
