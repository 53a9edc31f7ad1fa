#pragma once

#include "FormSection.h"

#include <QStringList>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class Store;

// The settings window's "Operatori": the people who work at the practice's computers, named once for
// all of them. "Aggiungi" adds the name typed beside it at the end; a double click (or "Rinomina")
// edits a name in place; "Rimuovi" takes the selected one off; "Su" and "Giù" change the order, which
// is the order of the toolbar's menu and of its keys. Every change is stored at once through the store
// (and logged like every settings change); a refusal shows under the list and the list shows again what
// is stored. A list changed on another computer shows as soon as the store sees it.
class OperatorsSection : public FormSection {
    Q_OBJECT

public:
    explicit OperatorsSection(Store& store, QWidget* parent = nullptr);

    [[nodiscard]] QListWidget* list() const { return m_list; }
    [[nodiscard]] QLineEdit* newName() const { return m_newName; }
    [[nodiscard]] QString messageText() const;

    void add();
    void renameSelected();
    void removeSelected();
    // Moves the selected name up (-1) or down (+1).
    void moveSelected(int step);

private:
    void showStored();
    void keep(const QStringList& names, int selectRow);
    void updateButtons();
    void rename(const QString& before, const QString& after);

    Store& m_store;
    QListWidget* m_list = nullptr;
    QLineEdit* m_newName = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_rename = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_up = nullptr;
    QPushButton* m_down = nullptr;
    QLabel* m_message = nullptr;
    QStringList m_shown;
};
