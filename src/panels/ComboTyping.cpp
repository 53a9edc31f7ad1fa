#include "ComboTyping.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>

#include <algorithm>

namespace {

QString squeezed(const QString& text)
{
    QString out;
    for (const QChar c : text)
        if (c != u' ' && c != u':' && c != u'.')
            out.append(c.toLower());
    return out;
}

bool beginsText(const QString& item, const QString& typed)
{
    return squeezed(item).startsWith(squeezed(typed));
}

bool beginsWord(const QString& item, const QString& typed)
{
    const QStringList words = item.split(u' ', Qt::SkipEmptyParts);
    return std::any_of(words.begin(), words.end(),
                       [&typed](const QString& word) { return word.startsWith(typed, Qt::CaseInsensitive); });
}

} // namespace

void ComboTyping::enable(QComboBox* box)
{
    box->installEventFilter(new ComboTyping(box));
}

ComboTyping::ComboTyping(QComboBox* box)
    : QObject(box)
    , m_box(box)
{
    m_pause.setSingleShot(true);
    connect(&m_pause, &QTimer::timeout, this, [this] { m_typed.clear(); });
}

int ComboTyping::rowFor(const QString& typed) const
{
    if (typed.trimmed().isEmpty())
        return -1;
    // The beginning of an item's text comes before the beginning of a later word: "d" is "Dentista 1",
    // not "Qualsiasi dentista".
    for (const auto begins : {beginsText, beginsWord})
        for (int row = 0; row < m_box->count(); ++row)
            if (begins(m_box->itemText(row), typed))
                return row;
    return -1;
}

bool ComboTyping::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_box || event->type() != QEvent::KeyPress || m_box->isEditable())
        return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (text.size() != 1 || !text[0].isPrint() || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        || (text[0] == u' ' && m_typed.isEmpty()))
        return QObject::eventFilter(watched, event);
    m_pause.start(QApplication::keyboardInputInterval());
    int row = rowFor(m_typed + text);
    if (row >= 0) {
        m_typed += text;
    } else {
        // A new word, as when one pauses.
        row = rowFor(text);
        m_typed = row >= 0 ? text : QString();
    }
    if (row >= 0)
        m_box->setCurrentIndex(row);
    return true;
}
