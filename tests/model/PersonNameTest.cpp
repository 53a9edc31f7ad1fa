#include "PersonName.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(PersonName, shorterFormsDropTheTitleThenTheFirstNamesAndKeepTheSurname)
{
    const QList<std::pair<QString, QStringList>> cases{
        {"Dott.ssa Chiara Bellandi",
         {"Dott.ssa Chiara Bellandi", "Chiara Bellandi", "C. Bellandi", "Bellandi"}},
        {"Prof. dott. Gian Marco Rossi",
         {"Prof. dott. Gian Marco Rossi", "Gian Marco Rossi", "G. M. Rossi", "Rossi"}},
        {"DR  Anna De Luca", {"DR  Anna De Luca", "Anna De Luca", "A. De Luca", "De Luca"}},
        {"Bartolomeo Della Valle", {"Bartolomeo Della Valle", "B. Della Valle", "Della Valle"}},
        {"Dentista 4", {"Dentista 4", "4"}},
        {"Dott. Rossi", {"Dott. Rossi", "Rossi"}},
        {"Rossi", {"Rossi"}},
        {"Dott.", {"Dott."}}, // a title alone is all there is
        {"", {""}},
    };
    for (const auto& [name, forms] : cases)
        EXPECT_EQ(PersonName::shorterForms(name), forms) << name.toStdString();
}
