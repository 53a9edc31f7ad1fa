#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QComboBox;

// Lets a closed combo box be chosen by typing, as a receptionist names what she wants: the first item,
// from the top, whose text begins with what was typed in the last moment
// (QApplication::keyboardInputInterval), spaces, colons and dots left out, else the first with a word
// that begins so; case is ignored. "2" chooses
// "Dentista 2", "1h" chooses "1 h", "1430" chooses "14:30", "p" chooses "Pomeriggio". A space typed
// after other letters belongs to the text; the first one opens the list, as usual.
class ComboTyping : public QObject {
    Q_OBJECT

public:
    // Works on `box` for as long as the box lives (it owns the filter).
    static void enable(QComboBox* box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit ComboTyping(QComboBox* box);
    // The first row that `typed` names; -1 when none does.
    [[nodiscard]] int rowFor(const QString& typed) const;

    QComboBox* m_box;
    QString m_typed;
    QTimer m_pause;
};
