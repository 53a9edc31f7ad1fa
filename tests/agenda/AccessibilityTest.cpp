// The agenda as assistive technology sees it. Qt delivers accessibility events to the platform's bridge
// only while a screen reader is active, which a test cannot make happen; bridges installed as plugins
// receive them all the same, so a recording bridge stands in for the screen reader.
#define QT_STATICPLUGIN
#include "AgendaFixture.h"

#include <QAccessible>
#include <QAccessibleBridge>
#include <QAccessibleBridgePlugin>
#include <QToolButton>
#include <QtPlugin>

namespace {

// What a screen reader would say when the focus moves: the name of the focused element.
QStringList& spokenFocus()
{
    static QStringList said;
    return said;
}

class RecordingBridge : public QAccessibleBridge {
public:
    void setRootObject(QAccessibleInterface*) override {}
    void notifyAccessibilityUpdate(QAccessibleEvent* event) override
    {
        if (event->type() == QAccessible::Focus)
            if (QAccessibleInterface* focused = event->accessibleInterface())
                spokenFocus().append(focused->text(QAccessible::Name));
    }
};

// Qt keeps the bridge to the end of the process without deleting it; held here, it is not a leak.
RecordingBridge* recorder = nullptr;

} // namespace

class RecordingBridgePlugin : public QAccessibleBridgePlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QAccessibleBridgeFactoryInterface" FILE "recorder.json")

public:
    QAccessibleBridge* create(const QString&) override { return recorder = new RecordingBridge; }
};

Q_IMPORT_PLUGIN(RecordingBridgePlugin)

class AccessibilityTest : public AgendaTest {};

TEST_F(AccessibilityTest, columnsReadTheirSlotsAndAppointmentsAndFollowTheKeyboardCursor)
{
    ASSERT_FALSE(store.save({0, 2, "2024-12-03", 600, 30, "Mario Rossi", "347 1234567", "Igiene orale", {}}));
    DentistColumn* tuesday = column(1, 1);
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(tuesday);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->role(), QAccessible::List);
    EXPECT_EQ(list->text(QAccessible::Name), QStringLiteral("Dentista 2, martedì 3 dicembre"));
    ASSERT_EQ(list->childCount(), 42); // 41 free quarters and one appointment
    QAccessibleInterface* booked = list->child(4);
    ASSERT_TRUE(booked);
    EXPECT_EQ(booked->role(), QAccessible::ListItem);
    EXPECT_EQ(booked->text(QAccessible::Name), QStringLiteral("Dentista 2, martedì 3 dicembre, 10:00–10:30, Mario Rossi"));
    EXPECT_EQ(booked->text(QAccessible::Description), QStringLiteral("Igiene orale\nTel. 347 1234567"));
    EXPECT_EQ(booked->parent(), list);
    EXPECT_EQ(list->indexOfChild(booked), 4);
    EXPECT_EQ(list->child(0)->text(QAccessible::Name), QStringLiteral("Dentista 2, martedì 3 dicembre, 09:00–09:15, libero"));
    EXPECT_EQ(list->child(5)->text(QAccessible::Name), QStringLiteral("Dentista 2, martedì 3 dicembre, 10:30–10:45, libero"));
    EXPECT_EQ(list->childAt(booked->rect().center().x(), booked->rect().center().y()), booked);

    // The cursor starts on Wednesday's 10:00 of the first dentist; two steps left is the appointment.
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    ScheduleGrid* grid = view->grid();
    ASSERT_TRUE(grid->hasFocus());
    spokenFocus().clear();
    QTest::keyClick(grid, Qt::Key_Left);
    QTest::keyClick(grid, Qt::Key_Left);
    EXPECT_EQ(spokenFocus(), (QStringList{"Dentista 3, martedì 3 dicembre, 10:00–10:15, libero",
                                          "Dentista 2, martedì 3 dicembre, 10:00–10:30, Mario Rossi"}));
    EXPECT_EQ(list->focusChild(), booked);
    EXPECT_TRUE(booked->state().focused);
    EXPECT_FALSE(list->child(5)->state().focused);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(grid)->focusChild(), booked);
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(spokenFocus().last(), QStringLiteral("Dentista 2, martedì 3 dicembre, 10:30–10:45, libero"));
    EXPECT_EQ(list->focusChild(), list->child(5));

    // Without the focus there is no focused cell; when the column's day changes, its old cells go.
    view->dayButton()->setFocus();
    EXPECT_FALSE(list->focusChild());
    EXPECT_FALSE(list->child(5)->state().focused);
    book(2, "2024-12-03", 540, 60);
    EXPECT_FALSE(booked->isValid());
    EXPECT_EQ(list->childCount(), 39);
    EXPECT_EQ(list->child(0)->text(QAccessible::Name), QStringLiteral("Dentista 2, martedì 3 dicembre, 09:00–10:00, Anna Verdi"));
}

#include "AccessibilityTest.moc"
