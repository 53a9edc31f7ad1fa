#pragma once

#include <QFrame>
#include <QList>
#include <QString>

class QFormLayout;
class QLabel;

// One section of a grouped form: an optional title above a rounded box whose rows have their labels
// on the left and their controls on the right.
class FormSection : public QWidget {
    Q_OBJECT

public:
    // An empty title gives a section without a title.
    explicit FormSection(const QString& title, QWidget* parent = nullptr);

    // The rows of the box; owned by the section.
    [[nodiscard]] QFormLayout* form() const { return m_form; }
    [[nodiscard]] QLabel* titleLabel() const { return m_title; }

    // Gives the labels of several sections one width, so that their controls start on one line.
    static void alignLabels(const QList<FormSection*>& sections);

private:
    QLabel* m_title = nullptr;
    QFormLayout* m_form = nullptr;
};

// The rounded box of a section, painted in the palette's base colour with a hairline border.
class FormBox : public QFrame {
    Q_OBJECT

public:
    explicit FormBox(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
