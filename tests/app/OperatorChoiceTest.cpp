// Who works at a computer is remembered there, for each agenda, and chosen again at the next start.
#include "Database.h"
#include "FileStore.h"
#include "OperatorChoice.h"
#include "TestSupport.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class Start {
public:
    Start(const QString& agenda, const QString& local)
        : db(agenda)
        , store(db)
        , choice(store, std::make_unique<QSettings>(local, QSettings::IniFormat))
    {
    }
    Database db;
    FileStore store;
    OperatorChoice choice;
};

} // namespace

TEST(OperatorChoice, theChoiceComesBackAtTheNextStartWhileTheOperatorIsStillNamed)
{
    QTemporaryDir dir;
    const QString agenda = dir.filePath("calvora.sqlite");
    const QString here = dir.filePath("questo-computer.ini");
    const QString there = dir.filePath("altro-computer.ini");
    {
        Start first(agenda, here);
        EXPECT_EQ(first.store.currentOperator(), "");
        ASSERT_FALSE(first.store.setOperators({"Anna", "Bruno"}));
        first.store.setCurrentOperator("Bruno");
    }
    {
        Start again(agenda, here);
        EXPECT_EQ(again.store.currentOperator(), "Bruno");
        Start elsewhere(agenda, there);
        EXPECT_EQ(elsewhere.store.currentOperator(), "") << "remembered per computer";
        ASSERT_FALSE(elsewhere.store.setOperators({"Anna"}));
    }
    {
        Start afterRemoval(agenda, here);
        EXPECT_EQ(afterRemoval.store.currentOperator(), "");
        ASSERT_FALSE(afterRemoval.store.setOperators({"Anna", "Bruno"}));
    }
    Start readded(agenda, here);
    EXPECT_EQ(readded.store.currentOperator(), "") << "the fallback to nobody was remembered too";

    QTemporaryDir otherAgenda;
    Start another(otherAgenda.filePath("calvora.sqlite"), here);
    ASSERT_FALSE(another.store.setOperators({"Bruno"}));
    readded.store.setCurrentOperator("Bruno");
    Start anotherAgain(otherAgenda.filePath("calvora.sqlite"), here);
    EXPECT_EQ(anotherAgain.store.currentOperator(), "") << "each agenda has its own choice";
}
