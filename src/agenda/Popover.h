#pragma once

#include <QFrame>
#include <QPointer>

// Moves a popup window so that its top edge lies at the anchor's bottom edge, centred on the anchor,
// kept on the anchor's screen.
void placeUnder(QWidget* popup, QWidget* anchor);

// A panel shown under a button or header; a click outside or Escape closes it. A click on the button
// that opened it closes it without reopening it, so the button toggles. The popover owns its content:
// setContent() discards the previous one, and a popover that discards on close starts empty again each
// time it closes (the next opening builds a fresh panel).
class Popover : public QFrame {
    Q_OBJECT

public:
    explicit Popover(QWidget* parent);
    // Takes ownership of `content` (may be null) and discards the content shown before.
    void setContent(QWidget* content);
    // Null when there is none (also after it was discarded at close).
    [[nodiscard]] QWidget* content() const { return m_content; }
    void setDiscardsContentOnClose(bool discards) { m_discardsOnClose = discards; }
    // Shows the popover with its top edge at the anchor's bottom edge, centred on it, kept on screen.
    void showUnder(QWidget* anchor);

signals:
    void closed();

protected:
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void focusContent();
    // Deleted later: the content may be the one whose own handler closed the popover.
    void discardContent();

    QPointer<QWidget> m_content;
    bool m_discardsOnClose = false;
};
