// The settings page where the practice names its operators, driven through its own widgets.
#include "PanelFixture.h"
#include "SettingsView.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

class OperatorsSectionTest : public PanelTest {
protected:
    std::unique_ptr<SettingsView> view;

    QListWidget* list() const { return child<QListWidget>(view.get(), "operatorList"); }
    QPushButton* button(const char* name) const { return child<QPushButton>(view.get(), name); }
    QString message() const { return child<QLabel>(view.get(), "operatorMessage")->text(); }

    void open()
    {
        view = std::make_unique<SettingsView>(store);
        expose(view.get());
        view->showPage(SettingsView::Page::Operators);
    }

    void type(const QString& name, bool withEnter)
    {
        auto* field = child<QLineEdit>(view.get(), "newOperator");
        field->setFocus();
        QTest::keyClicks(field, name);
        if (withEnter)
            QTest::keyClick(field, Qt::Key_Return);
        else
            button("addOperator")->click();
    }

    QStringList shown() const
    {
        QStringList names;
        for (int i = 0; i < list()->count(); ++i)
            names << list()->item(i)->text();
        return names;
    }
};

TEST_F(OperatorsSectionTest, namesAreAddedRenamedOrderedAndRemovedForThePractice)
{
    open();
    EXPECT_EQ(shown(), QStringList());
    EXPECT_FALSE(button("removeOperator")->isEnabled());
    type("Anna", true);
    type("Bruno", false);
    EXPECT_EQ(store.operators(), (QStringList{"Anna", "Bruno"}));
    EXPECT_EQ(shown(), store.operators());
    EXPECT_EQ(child<QLineEdit>(view.get(), "newOperator")->text(), "");

    type("anna", true);
    EXPECT_EQ(message(), "«anna» è già tra gli operatori.");
    EXPECT_EQ(store.operators(), (QStringList{"Anna", "Bruno"}));

    // Bruno, selected after his addition, goes first.
    EXPECT_EQ(list()->currentRow(), 1);
    button("operatorUp")->click();
    EXPECT_EQ(store.operators(), (QStringList{"Bruno", "Anna"}));
    EXPECT_FALSE(button("operatorUp")->isEnabled());

    // Renamed in place, as a double click does.
    list()->setCurrentRow(1);
    button("renameOperator")->click();
    auto* editor = list()->viewport()->findChild<QLineEdit*>();
    ASSERT_TRUE(editor);
    editor->selectAll();
    QTest::keyClicks(editor, "Anna Maria");
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(TestSupport::eventually([&] { return store.operators() == QStringList{"Bruno", "Anna Maria"}; }))
        << store.operators().join(u',').toStdString();

    list()->setCurrentRow(0);
    button("removeOperator")->click();
    EXPECT_EQ(store.operators(), QStringList{"Anna Maria"});
    EXPECT_EQ(shown(), QStringList{"Anna Maria"});
    EXPECT_TRUE(Dialogs::takeShown().isEmpty()) << "nothing asked";
}

TEST_F(OperatorsSectionTest, aRefusedSaveSaysWhyAndTheListShowsWhatIsStored)
{
    ASSERT_FALSE(store.setOperators({"Anna"}));
    open();
    db.execute("CREATE TRIGGER block_settings BEFORE INSERT ON settings "
               "BEGIN SELECT RAISE(ABORT, 'archivio bloccato'); END");
    type("Bruno", true);
    EXPECT_TRUE(message().contains("archivio bloccato")) << message().toStdString();
    EXPECT_EQ(shown(), QStringList{"Anna"});
    db.execute("DROP TRIGGER block_settings");

    // A change from elsewhere shows as soon as the store reads it.
    db.execute("UPDATE settings SET value = '[\"Anna\",\"Carla\"]' WHERE key = 'operators'");
    store.loadSettings();
    EXPECT_EQ(shown(), (QStringList{"Anna", "Carla"}));

    // Another computer reorders the names just as a rename in place is committed, before it is stored:
    // the rename reaches that name, wherever it now is.
    list()->setCurrentRow(1);
    button("renameOperator")->click();
    auto* editor = list()->viewport()->findChild<QLineEdit*>();
    ASSERT_TRUE(editor);
    editor->selectAll();
    QTest::keyClicks(editor, "Carla Bianchi");
    const QMetaObject::Connection elsewhere = QObject::connect(list(), &QListWidget::itemChanged, [&] {
        db.execute("UPDATE settings SET value = '[\"Carla\",\"Anna\"]' WHERE key = 'operators'");
        store.loadSettings();
    });
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(TestSupport::eventually([&] { return shown() == QStringList{"Carla", "Anna"}; }));
    QObject::disconnect(elsewhere);
    EXPECT_TRUE(TestSupport::eventually([&] { return store.operators() == QStringList{"Carla Bianchi", "Anna"}; }))
        << store.operators().join(u',').toStdString();
    EXPECT_EQ(shown(), store.operators());
}
