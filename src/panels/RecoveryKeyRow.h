#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class Store;

// The recovery key in the section of the copies: whether copies to the second place are encrypted, with
// which key (its fingerprint) since when, and "Crea chiave di ripristino…", which makes a pair, gives the
// practice's settings the public half only and shows the recovery key once (RecoveryKeyDialog).
class RecoveryKeyRow : public QWidget {
    Q_OBJECT

public:
    explicit RecoveryKeyRow(Store& store, QWidget* parent = nullptr);

    // Asks first when a key exists, since copies made with it need its own sheet.
    void create();
    [[nodiscard]] QString stateText() const;

private:
    void showState();

    Store& m_store;
    QLabel* m_state = nullptr;
    QPushButton* m_create = nullptr;
};
