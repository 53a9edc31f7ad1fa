#pragma once

#include <QString>
#include <QStringList>

class QWidget;
class Store;

// The patient's erasure as the receptionist asks for it: a confirmation that says what is replaced, that
// it cannot be undone and that the backups keep the old data until they roll off; then the anonymisation
// (Store::anonymisePatient: the same name in any letter case, limited to `phones` when not empty) and a
// message with its outcome. Answers whether anything was anonymised.
bool askAndAnonymise(QWidget* parent, Store& store, const QString& patient, const QStringList& phones);
