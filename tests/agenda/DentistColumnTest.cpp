#include "AgendaFixture.h"
#include "AgendaStyle.h"
#include "AppointmentBlock.h"

#include <QContextMenuEvent>
#include <QDrag>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QSet>

#include <algorithm>

namespace {

void drop(DentistColumn* target, int slot, const QString& text)
{
    const QPoint at = AgendaTest::pointInSlot(target, slot);
    QMimeData data;
    data.setText(text);
    QDragEnterEvent enter(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(target->dropTargeted());
    QDropEvent event(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
    EXPECT_FALSE(target->dropTargeted());
}

void sendMouse(QWidget* target, QEvent::Type type, const QPoint& pos)
{
    QMouseEvent event(type, pos, target->mapToGlobal(pos), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// A drag over a column at a slot, entering it or moving in it.
template <typename Event>
void dragOver(DentistColumn* target, int slot, QMimeData& payload)
{
    const QPoint at = AgendaTest::pointInSlot(target, slot);
    Event event(at, Qt::MoveAction, &payload, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// Which widgets receive paint events while it lives.
class PaintWatch : public QObject {
public:
    PaintWatch() { qApp->installEventFilter(this); }
    ~PaintWatch() override { qApp->removeEventFilter(this); }
    QSet<QObject*> painted;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted.insert(watched);
        return false;
    }
};

} // namespace

TEST_F(AgendaTest, aClickOnABookedSlotOpensThatAppointmentNeverANewOne)
{
    book(2, "2024-12-03", 540, 30);
    DentistColumn* tuesday = column(1, 1);
    QTest::mouseClick(tuesday, Qt::LeftButton, {}, pointInSlot(tuesday, 1));
    ASSERT_TRUE(store.editing());
    EXPECT_NE(store.editing()->id, 0);
    // Between the block's edge and its slot boundary there is no new appointment either.
    store.setEditing(std::nullopt);
    QTest::mouseClick(tuesday, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_FALSE(store.editing());
}

TEST_F(AgendaTest, hoverHighlightsOnlyFreeSlotsAndRepaintsOnlyItsColumn)
{
    book(3, "2024-12-06", 540, 30);
    DentistColumn* friday = column(4, 2);
    QTest::mouseMove(friday, pointInSlot(friday, 3));
    QApplication::processEvents();
    {
        PaintWatch watch;
        QTest::mouseMove(friday, pointInSlot(friday, 5));
        QApplication::processEvents();
        EXPECT_EQ(watch.painted, QSet<QObject*>{friday});
    }
    EXPECT_EQ(friday->hoverSlot(), 5);
    QTest::mouseMove(friday, pointInSlot(friday, 1));
    EXPECT_FALSE(friday->hoverSlot());

    // The switch to day view keeps the column hidden for the way back; it returns without a highlight.
    QTest::mouseMove(friday, pointInSlot(friday, 5));
    store.setMode(ViewMode::Day);
    EXPECT_FALSE(friday->isVisible());
    store.setMode(ViewMode::Week);
    ASSERT_EQ(column(4, 2), friday);
    EXPECT_TRUE(friday->isVisible());
    EXPECT_FALSE(friday->hoverSlot());
}

TEST_F(AgendaTest, aRefusedDropLeavesTheBlockAndSaysWhyAndTextsThatAreNoIdAreIgnored)
{
    const qint64 id = book(1, "2024-12-02", 540, 45, "Anna Verdi");
    book(3, "2024-12-05", 660, 30, "Luca Neri");

    // Onto Luca Neri's slot: refused by the store, with its message and the nearest starts that fit.
    drop(column(3, 2), 7, QString::number(id));
    EXPECT_EQ(column(0, 0)->blocks().size(), 1u);
    EXPECT_EQ(store.alertMessage(), QStringLiteral("Impossibile spostare l'appuntamento di Anna Verdi.\n"
                                                   "Dentista 3 ha già un appuntamento 11:00–11:30 (Luca Neri).\n"
                                                   "I posti liberi più vicini sono alle 10:15 e alle 11:30."));
    EXPECT_EQ(Dialogs::takeShown().size(), 1); // the "Attenzione" alert is up
    store.setAlertMessage(std::nullopt);

    for (const QString& text : {QString(""), QString("12a"), QString("-"), QString::number(id + 100)}) {
        drop(column(1, 0), 0, text);
        EXPECT_FALSE(store.alertMessage()) << text.toStdString();
    }
    EXPECT_TRUE(column(1, 0)->blocks().empty());
    EXPECT_EQ(store.appointments(QDate(2024, 12, 2), 1).value(0).startMinutes, 540);
}

// The block is grabbed by its last quarter: the outline and the drop both take the slot under the
// pointer as the new start, and the cursor follows the appointment there (and back on undo).
TEST_F(AgendaTest, aDragShowsWhereTheBlockWillLandAndTheDropPutsItExactlyThere)
{
    const qint64 id = book(1, "2024-12-02", 540, 45, "Anna Verdi");
    book(2, "2024-12-03", 720, 30, "Luca Neri");
    DentistColumn* monday = column(0, 0);
    const QRectF block = monday->blocks().front().rect();
    const QPoint grab(int(block.center().x()), int(block.bottom()) - 3);
    sendMouse(monday, QEvent::MouseButtonPress, grab);
    sendMouse(monday, QEvent::MouseMove, grab + QPoint(0, 2 * QApplication::startDragDistance()));
    auto* drag = monday->findChild<QDrag*>();
    ASSERT_TRUE(drag && drag->mimeData());
    // What the pointer carries suggests no place of its own: a picture no taller than a row, beside
    // the pointer's tip rather than under it.
    const QImage carried = drag->pixmap().toImage();
    int paintedRows = 0;
    for (int y = 0; y < carried.height(); ++y)
        for (int x = 0; x < carried.width(); ++x)
            if (qAlpha(carried.pixel(x, y)) != 0) {
                ++paintedRows;
                break;
            }
    EXPECT_LE(paintedRows / carried.devicePixelRatio(), monday->geometryRules().rowHeight());
    EXPECT_EQ(qAlpha(carried.pixel(drag->hotSpot() * carried.devicePixelRatio())), 0);
    QMimeData payload;
    payload.setText(drag->mimeData()->text());

    DentistColumn* tuesday = column(1, 1);
    dragOver<QDragEnterEvent>(tuesday, 4, payload);
    ASSERT_TRUE(tuesday->dropPreview());
    EXPECT_EQ(tuesday->dropPreviewText(), QStringLiteral("10:00–10:45"));
    EXPECT_TRUE(tuesday->dropPreview()->fits());
    // Over Luca Neri's appointment, or past closing time: shown, and shown as not fitting.
    dragOver<QDragMoveEvent>(tuesday, 11, payload);
    EXPECT_EQ(tuesday->dropPreviewText(), QStringLiteral("11:45–12:30"));
    EXPECT_FALSE(tuesday->dropPreview()->fits());
    dragOver<QDragMoveEvent>(tuesday, 41, payload);
    EXPECT_FALSE(tuesday->dropPreview()->fits());
    // On to another column: the first one forgets the outline.
    QDragLeaveEvent leave;
    QApplication::sendEvent(tuesday, &leave);
    EXPECT_FALSE(tuesday->dropPreview());
    DentistColumn* wednesday = column(2, 2);
    dragOver<QDragEnterEvent>(wednesday, 5, payload);
    const Appointment shown = wednesday->dropPreview().value_or(DropPreview({}, false)).appointment();
    EXPECT_EQ(wednesday->dropPreviewText(), QStringLiteral("10:15–11:00"));
    QDropEvent dropped(pointInSlot(wednesday, 5), Qt::MoveAction, &payload, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(wednesday, &dropped);
    EXPECT_FALSE(wednesday->dropPreview());
    EXPECT_EQ(store.appointments(QDate(2024, 12, 4), 3), QList<Appointment>{shown});

    const KeyboardCursor& cursor = view->grid()->keyboardCursor();
    const auto place = [&] { return std::tuple(cursor.day(), cursor.dentistId(), cursor.slot()); };
    EXPECT_EQ(place(), std::tuple(QDate(2024, 12, 4), 3, 5));
    store.undo();
    EXPECT_EQ(place(), std::tuple(QDate(2024, 12, 2), 1, 0));
    store.redo();
    EXPECT_EQ(store.appointments(QDate(2024, 12, 4), 3).value(0).id, id);
    EXPECT_EQ(place(), std::tuple(QDate(2024, 12, 4), 3, 5));
}

TEST_F(AgendaTest, contextMenuOffersEditStatusesCancelAndDeleteThatOnlyAsks)
{
    book(1, "2024-12-04", 600, 30, "Anna Verdi");
    DentistColumn* wednesday = column(2, 0);
    const QPoint at = pointInSlot(wednesday, 4);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, wednesday->mapToGlobal(at));
    QApplication::sendEvent(wednesday, &event);
    auto* menu = wednesday->findChild<QMenu*>();
    ASSERT_TRUE(menu);
    QStringList titles;
    for (QAction* action : menu->actions())
        titles << (action->isSeparator() ? "-" : action->text());
    EXPECT_EQ(titles, (QStringList{"Modifica…", "-", "Da confermare", "Confermato", "Arrivato", "Non presentato", "-",
                                   "Disdici…", "Elimina…"}));

    Dialogs::answerNext(QMessageBox::RejectRole); // "Annulla"
    menu->actions().last()->trigger();
    menu->close();
    EXPECT_TRUE(TestSupport::eventually([&] { return !store.pendingDelete(); }));
    const QList<DialogRequest> asked = Dialogs::takeShown();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].title, "Eliminare l'appuntamento?");
    EXPECT_EQ(asked[0].buttons.value(0).text, "Annulla"); // the default: Return never deletes
    EXPECT_EQ(asked[0].message, QStringLiteral("Anna Verdi – mercoledì 4 dic 10:00–10:30"));
    EXPECT_EQ(store.weekAppointments().size(), 1);

    // Confirmed: deleted. When the delete fails, the confirmation closes before the alert opens.
    book(2, "2024-12-04", 600, 30);
    db.execute("CREATE TRIGGER keep BEFORE DELETE ON appointments WHEN OLD.dentist_id = 2 BEGIN "
               "SELECT RAISE(ABORT, 'bloccato'); END;");
    Dialogs::answerNext(QMessageBox::DestructiveRole);
    store.setPendingDelete(store.appointments(QDate(2024, 12, 4), 1).first());
    EXPECT_TRUE(TestSupport::eventually([&] { return store.weekAppointments().size() == 1; }));
    EXPECT_FALSE(store.pendingDelete());
    (void)Dialogs::takeShown();
    Dialogs::answerNext(QMessageBox::DestructiveRole); // "Elimina"
    Dialogs::answerNext(QMessageBox::AcceptRole); // "OK" on the alert
    store.setPendingDelete(store.weekAppointments().first());
    QList<DialogRequest> shown;
    EXPECT_TRUE(TestSupport::eventually([&] {
        shown += Dialogs::takeShown();
        return !store.alertMessage() && !store.pendingDelete() && shown.size() == 2;
    }));
    EXPECT_EQ(shown.value(0).title, "Eliminare l'appuntamento?");
    EXPECT_EQ(shown.value(1).title, "Attenzione");
    EXPECT_EQ(shown.value(1).message, "Errore durante l'eliminazione: bloccato");
    EXPECT_EQ(store.weekAppointments().size(), 1);
}

TEST_F(AgendaTest, blocksTellTheirDetails)
{
    // The tooltip: time and patient, then the details that are there.
    const Appointment a{5, 1, "2024-12-02", 540, 30, "Anna Verdi", "347 1234567", "Igiene orale", "Allergica\nal lattice"};
    EXPECT_EQ(AppointmentBlock::toolTip(a),
              QStringLiteral("09:00–09:30  Anna Verdi\nIgiene orale\nTel. 347 1234567\nAllergica\nal lattice"));
    EXPECT_EQ(AppointmentBlock::toolTip(Appointment{5, 1, "2024-12-02", 540, 15, "Anna Verdi", {}, {}, {}}),
              QStringLiteral("09:00–09:15  Anna Verdi"));

    // In a day-view block the notes break where they were broken, on at most the lines it allows.
    const QFont notes = AgendaStyle::font(11, QFont::Normal, true);
    EXPECT_EQ(AppointmentBlock::wrappedLines("Riga uno delle note\nRiga due\r\nRiga tre", notes, 1000, 3),
              QStringList({"Riga uno delle note", "Riga due", "Riga tre"}));
    EXPECT_EQ(AppointmentBlock::wrappedLines("Riga uno delle note\nRiga due\r\nRiga tre", notes, 1000, 2),
              QStringList({"Riga uno delle note", "Riga due Riga tre"}));

    // A week-view block too narrow for its time range (a small window) gives the name two lines and
    // shows the start only; a wide one keeps its usual lines.
    const AppointmentBlock::NarrowText narrow = AppointmentBlock::narrowWeekText(a, 45, 60);
    EXPECT_EQ(narrow.patient, QStringList({"Anna", "Verdi"}));
    EXPECT_EQ(narrow.detail, QStringLiteral("09:00 · Igiene orale"));
    EXPECT_EQ(AppointmentBlock::narrowWeekText(a, 45, 30).patient, QStringList{"Anna Verdi"});
    EXPECT_TRUE(AppointmentBlock::narrowWeekText(a, 200, 60).patient.isEmpty());
}

namespace {

QImage painted(const AppointmentBlock& block)
{
    QImage image(240, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    block.paint(painter, QApplication::palette());
    return image;
}

} // namespace

// A line of patient and treatment is drawn from remembered pieces, yet looks exactly as the whole line
// cut to the block's width would, whether it fits, its treatment is cut, only the ellipsis follows the
// patient, or the patient is cut; drawn a second time (from the shaped pieces) too.
TEST_F(AgendaTest, aLineDrawnFromPiecesLooksAsTheWholeLineCut)
{
    const QString treatment = QStringLiteral("Igiene orale professionale");
    const Appointment pieces{5, 1, "2024-12-02", 540, 15, "Anna Verdi", {}, treatment, {}};
    Appointment whole = pieces;
    whole.patient += QStringLiteral(" · ") + treatment;
    whole.treatment.clear();
    for (int width = 30; width <= 236; width += 2) {
        const QRectF rect(2, 2, width, 30);
        const AppointmentBlock block(pieces, Qt::blue, false, rect);
        const QImage first = painted(block);
        EXPECT_EQ(first, painted(AppointmentBlock(whole, Qt::blue, false, rect))) << width;
        EXPECT_EQ(painted(block), first) << width;
    }
}
