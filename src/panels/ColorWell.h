#pragma once

#include <QAbstractButton>
#include <QColor>

#include <functional>
#include <optional>

// A small button painted in its colour. A click asks for a new colour (by default through
// Dialogs::chooseColor, without opacity) and, when one is chosen, shows it and emits colorPicked.
class ColorWell : public QAbstractButton {
    Q_OBJECT

public:
    // Asked with the current colour; answers the chosen colour or nothing when cancelled.
    using Chooser = std::function<std::optional<QColor>(const QColor& current)>;

    explicit ColorWell(QWidget* parent = nullptr);

    [[nodiscard]] QColor color() const { return m_color; }
    // Shows a colour without emitting colorPicked.
    void setColor(const QColor& color);
    // Replaces how the colour is asked for (the dentist popup hides itself meanwhile).
    void setChooser(Chooser chooser) { m_chooser = std::move(chooser); }

    [[nodiscard]] QSize sizeHint() const override;

signals:
    void colorPicked(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void choose();

    QColor m_color;
    Chooser m_chooser;
};
