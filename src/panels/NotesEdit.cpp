#include "NotesEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

NotesEdit::NotesEdit(QWidget* parent, int minimumLines, int maximumLines)
    : QPlainTextEdit(parent)
    , m_minimumLines(minimumLines)
    , m_maximumLines(maximumLines)
{
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(this, &QPlainTextEdit::textChanged, this, &NotesEdit::fitToText);
    fitToText();
}

void NotesEdit::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    fitToText();
}

void NotesEdit::fitToText()
{
    // The plain-text layout measures the document in wrapped lines.
    const int lines = int(std::ceil(document()->documentLayout()->documentSize().height()));
    const int shown = std::clamp(lines, m_minimumLines, m_maximumLines);
    const QMargins chrome = contentsMargins(); // includes the frame
    // One pixel more than the lines and margins: the editor scrolls when its last line touches the edge.
    const int height =
        int(std::ceil(shown * QFontMetricsF(font()).lineSpacing() + 2 * document()->documentMargin()))
        + chrome.top() + chrome.bottom() + 1;
    m_visibleLines = shown;
    if (height != maximumHeight() || height != minimumHeight())
        setFixedHeight(height);
}
