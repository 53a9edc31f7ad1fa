#pragma once

#include <QWidget>

class QLineEdit;
class QMenu;
class QToolButton;
class Store;

// The treatment's text field with, at its right, a borderless button whose menu lists the practice's
// treatments (the most used first); choosing one replaces the text.
class TreatmentField : public QWidget {
    Q_OBJECT

public:
    TreatmentField(const QString& text, QWidget* parent);

    [[nodiscard]] QLineEdit* lineEdit() const { return m_text; }

    // Asks the store for the treatments; the button opens its menu once they are in (at once, unless
    // the agenda must be read first; they always hold the default treatments).
    void fetchSuggestions(Store& store);

private:
    QLineEdit* m_text = nullptr;
    QToolButton* m_button = nullptr;
    QMenu* m_menu = nullptr;
};
