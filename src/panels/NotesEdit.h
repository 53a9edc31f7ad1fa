#pragma once

#include <QPlainTextEdit>

// A multi-line text field that grows with its text from `minimumLines` to `maximumLines` visible
// lines and scrolls beyond that. Tab moves the focus on instead of inserting a tab.
class NotesEdit : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit NotesEdit(QWidget* parent = nullptr, int minimumLines = 3, int maximumLines = 6);

    // Visible lines the field is sized for at its current width and text.
    [[nodiscard]] int visibleLines() const { return m_visibleLines; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitToText();

    int m_minimumLines;
    int m_maximumLines;
    int m_visibleLines = 0;
};
