#pragma once

#include <QAccessibleObject>
#include <QAccessibleWidget>

// A panel that opens over the agenda (search, first free slot, date, dentist editor) as assistive
// technology sees it: a window of the application, named after the panel. Qt shows popup windows to
// screen readers as nothing at all.
class AccessiblePanel : public QAccessibleWidget {
public:
    explicit AccessiblePanel(QWidget* panel);

    QString text(QAccessible::Text t) const override;
    QAccessibleInterface* parent() const override;
};

// The application with its windows, the open panels among them (Qt leaves popup windows out).
class AccessibleApplication : public QAccessibleApplication {
public:
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;

private:
    [[nodiscard]] static QList<QAccessibleInterface*> openPanels();
};
