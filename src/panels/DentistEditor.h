#pragma once

#include "Dentist.h"

#include <QColor>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class ColorWell;
class QLabel;
class QLineEdit;
class QPushButton;
class Store;

// The popup in which one dentist's name and colour are changed from the agenda's column header.
// A Qt::Popup window: the opener positions and shows it (for example under the header) and supplies
// `close`, which must dismiss it; a click outside or Escape also closes it (QWidget::close, so
// Qt::WA_DeleteOnClose works). While the colour chooser is open the popup hides itself (a modal
// chooser would otherwise end it) and shows itself again where it was.
class DentistEditor : public QWidget {
    Q_OBJECT

public:
    DentistEditor(Store& store, const Dentist& dentist, std::function<void()> close, QWidget* parent);

    // The name being typed and the colour being chosen.
    [[nodiscard]] QString name() const;
    [[nodiscard]] QColor color() const { return m_color; }
    // The last message from the store; absent when none is shown.
    [[nodiscard]] const std::optional<QString>& error() const { return m_error; }

    // Runs "Salva": nothing for a blank name; otherwise stores the trimmed name and the colour as
    // upper-case #RRGGBB, then closes, or shows the store's message and stays open.
    void save();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<QColor> chooseColor(const QColor& current);

    Store& m_store;
    Dentist m_dentist;
    std::function<void()> m_close;
    QColor m_color;
    std::optional<QString> m_error;

    QLineEdit* m_name = nullptr;
    ColorWell* m_well = nullptr;
    QLabel* m_errorLabel = nullptr;
    QPushButton* m_save = nullptr;
};
