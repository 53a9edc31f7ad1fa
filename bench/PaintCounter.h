#pragma once

#include <QApplication>
#include <QEvent>
#include <QHash>
#include <QObject>

// Counts the paint events that widgets receive while it lives, to show which widgets an action
// repaints. Installed on the application, so it sees every widget's paint event.
class PaintCounter : public QObject {
public:
    PaintCounter() { qApp->installEventFilter(this); }
    ~PaintCounter() override { qApp->removeEventFilter(this); }

    // Paint events of widgets of one class ("DentistColumn").
    [[nodiscard]] int count(const char* className) const { return m_byClass.value(className); }
    // How many distinct widgets were painted.
    [[nodiscard]] int widgets() const { return int(m_widgets.size()); }
    [[nodiscard]] int total() const { return m_total; }
    void reset()
    {
        m_byClass.clear();
        m_widgets.clear();
        m_total = 0;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++m_byClass[watched->metaObject()->className()];
            m_widgets.insert(watched, true);
            ++m_total;
        }
        return false;
    }

private:
    QHash<QByteArray, int> m_byClass;
    QHash<QObject*, bool> m_widgets;
    int m_total = 0;
};
