#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include <optional>

class QLabel;

// The lines under the appointment editor's form after a refused save: the message in red after a
// warning triangle and, for an overlap, one button per nearest free start ("Alle 10:30").
class RefusalLines : public QWidget {
    Q_OBJECT

public:
    // `padding` is the sheet's side margin.
    RefusalLines(int padding, QWidget* parent);

    // The message shown; absent while the lines are hidden.
    [[nodiscard]] const std::optional<QString>& error() const { return m_error; }
    // The starts offered; empty when none are.
    [[nodiscard]] const QList<int>& alternatives() const { return m_starts; }

    // Shows the message, or hides both lines when it is absent.
    void setError(const std::optional<QString>& message);
    // Offers the starts (minutes after midnight) under the message.
    void setAlternatives(const QList<int>& starts);

signals:
    void startChosen(int minutes);

private:
    std::optional<QString> m_error;
    QList<int> m_starts;
    QWidget* m_errorLine = nullptr;
    QLabel* m_errorText = nullptr;
    QWidget* m_alternativesLine = nullptr;
};
