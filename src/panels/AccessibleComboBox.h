#pragma once

#include <QAccessibleWidget>

class QComboBox;

// A combo box for assistive technology, named after what it chooses: its accessible name, else its
// form label ("Ora"), and only when it has neither, its value. Qt's own interface names it by its value
// on Linux ("09:00"), which says nothing of what the box is for.
class AccessibleComboBox : public QAccessibleWidget {
public:
    explicit AccessibleComboBox(QComboBox* box);

    QString text(QAccessible::Text t) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

    // Makes Qt describe every combo box of the process with this interface; the first call counts,
    // and it must come before the first combo box is described.
    static void installFactory();

private:
    [[nodiscard]] QComboBox* box() const;
    // The list that pops up, and the text field of an editable box.
    [[nodiscard]] QList<QWidget*> parts() const;
};
