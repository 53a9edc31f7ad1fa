// The agenda as assistive technology sees it. Qt delivers accessibility events to the platform's bridge
// only while a screen reader is active, which a test cannot make happen; bridges installed as plugins
// receive them all the same, so a recording bridge stands in for the screen reader.
#define QT_STATICPLUGIN
#include "AboutPanel.h"
#include "AccessibilityAudit.h"
#include "AgendaFixture.h"
#include "AppointmentEditor.h"
#include "DentistEditor.h"
#include "FreeSlotPanel.h"
#include "HeaderRow.h"
#include "Popover.h"
#include "SearchPanel.h"

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
    EXPECT_EQ(booked->text(QAccessible::Name), QStringLiteral("Dentista 2, martedì 3 dicembre, 10:00–10:30, Mario Rossi, Da confermare"));
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
                                          "Dentista 2, martedì 3 dicembre, 10:00–10:30, Mario Rossi, Da confermare"}));
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
    EXPECT_EQ(list->child(0)->text(QAccessible::Name), QStringLiteral("Dentista 2, martedì 3 dicembre, 09:00–10:00, Anna Verdi, Da confermare"));
}

TEST_F(AccessibilityTest, headersAreNamedByTheirDayAndDentist)
{
    HeaderRow* header = view->grid()->headerRow();
    ASSERT_EQ(header->dayLabels().size(), 5);
    const auto nameOf = [](QWidget* widget) {
        return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
    };
    EXPECT_EQ(nameOf(header->dayLabels().at(2)), QStringLiteral("Mercoledì 4 dicembre 2024"));
    EXPECT_EQ(nameOf(header->dentistHeaders().at(4)), QStringLiteral("Dentista 2"));
}

// The windows a receptionist can open, as a screen reader finds them: every control that takes the
// keyboard says what it is, and an open panel is a window of the application with a name.
TEST_F(AccessibilityTest, everyWindowNamesItsControlsAndItsPanelsAreWindows)
{
    AgendaPanels panels;
    panels.appointmentEditor = [](Store& s, const Appointment& a, QWidget* parent) -> QDialog* {
        return new AppointmentEditor(s, a, parent);
    };
    panels.searchPanel = [](Store& s, std::function<void()> close, QWidget* parent) -> QWidget* {
        return new SearchPanel(s, std::move(close), QString(), parent);
    };
    panels.freeSlotPanel = [](Store& s, std::function<void()> close, QWidget* parent) -> QWidget* {
        return new FreeSlotPanel(s, std::move(close), parent);
    };
    panels.dentistEditor = [](Store& s, const Dentist& d, std::function<void()> close, QWidget* parent) -> QWidget* {
        return new DentistEditor(s, d, std::move(close), parent);
    };
    view = std::make_unique<CalvoraView>(store, std::move(panels));
    view->resize(1440, 900);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    EXPECT_EQ(TestSupport::namelessFocusableElements(view.get()), QStringList());

    // An open panel is a named window among the application's.
    QAccessibleInterface* application = QAccessible::queryAccessibleInterface(qApp);
    const auto audit = [application](QWidget* window, const QString& name) {
        ASSERT_TRUE(window);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        EXPECT_EQ(TestSupport::namelessFocusableElements(window), QStringList()) << name.toStdString();
        QAccessibleInterface* found = nullptr;
        for (int i = 0; i < application->childCount() && !found; ++i)
            if (QAccessibleInterface* child = application->child(i); child && child->object() == window)
                found = child;
        ASSERT_TRUE(found) << name.toStdString();
        EXPECT_EQ(found->text(QAccessible::Name), name);
        const QAccessible::Role role = found->role();
        EXPECT_TRUE(role == QAccessible::Window || role == QAccessible::Dialog || role == QAccessible::AlertMessage)
            << name.toStdString();
    };
    view->toggleSearch();
    audit(view->searchPopover(), QStringLiteral("Cerca"));
    view->searchPopover()->close();
    view->toggleFreeSlots();
    audit(view->freeSlotPopover(), QStringLiteral("Primo posto libero"));
    view->freeSlotPopover()->close();
    view->toggleDatePicker();
    audit(view->datePopover(), QStringLiteral("Vai alla data"));
    view->datePopover()->close();
    view->openDentistEditor(view->grid()->headerRow()->dentistHeaders().at(1));
    audit(view->dentistEditor(), QStringLiteral("Modifica dentista – Dentista 2"));
    view->dentistEditor()->close();

    store.newAppointment();
    audit(view->editor(), QStringLiteral("Nuovo appuntamento"));
    view->editor()->reject();

    std::unique_ptr<QMessageBox> about(Dialogs::build(view.get(), aboutPanelRequest()));
    about->show();
    audit(about.get(), QStringLiteral("Calvora"));
}

#include "AccessibilityTest.moc"
