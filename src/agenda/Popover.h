#pragma once

#include <QFrame>

// Moves a popup window so that its top edge lies at the anchor's bottom edge, centred on the anchor,
// kept on the anchor's screen.
void placeUnder(QWidget* popup, QWidget* anchor);

// A panel shown under a button or header; a click outside or Escape closes it. A click on the button
// that opened it closes it without reopening it, so the button toggles.
class Popover : public QFrame {
    Q_OBJECT

public:
    explicit Popover(QWidget* parent);
    void setContent(QWidget* content);
    [[nodiscard]] QWidget* content() const { return m_content; }
    // Shows the popover with its top edge at the anchor's bottom edge, centred on it, kept on screen.
    void showUnder(QWidget* anchor);

signals:
    void closed();

protected:
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void focusContent();

    QWidget* m_content = nullptr;
};
