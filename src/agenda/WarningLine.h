#pragma once

#include <QFrame>

#include <optional>

class QLabel;

// A line across the agenda window, with a warning mark, while something is not as it should be (the
// calendar folder cannot be kept, the backups do not reach the second place): nothing to answer and nothing
// stopped; it goes by itself once the message does.
class WarningLine : public QFrame {
    Q_OBJECT

public:
    WarningLine(const QString& objectName, const QString& accessibleName, QWidget* parent = nullptr);

    // Shows the message, or hides the line when there is none.
    void say(const std::optional<QString>& message);
    // What the line says; empty while hidden.
    [[nodiscard]] QString text() const;

private:
    QLabel* m_text;
};
