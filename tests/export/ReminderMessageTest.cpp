// The text of a reminder and the numbers it goes to.
#include "PhoneNumber.h"
#include "ReminderMessage.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(PhoneNumberTest, italianMobilesInEveryWrittenFormAndNothingElse)
{
    const std::pair<const char*, std::optional<QString>> cases[] = {
        {"333 123 4567", "+393331234567"},
        {"+39 347-1234567", "+393471234567"},
        {"0039 320 1234567", "+393201234567"},
        {"(+39) 340.123.45.67", "+393401234567"},
        {"3331234567", "+393331234567"},
        {"02 1234567", std::nullopt},          // a landline in Milan
        {"+39 06 12345678", std::nullopt},     // a landline with the country code
        {"+41 79 123 45 67", std::nullopt},    // a Swiss mobile
        {"333 12", std::nullopt},              // too short
        {"333 123 4567 int. 2", std::nullopt}, // not only digits
        {"", std::nullopt},
    };
    for (const auto& [written, expected] : cases)
        EXPECT_EQ(PhoneNumber::italianMobile(QString::fromUtf8(written)), expected) << written;
}

TEST(ReminderMessageTest, theDefaultFillsItsPlaceholdersAndFitsOneSmsForOrdinaryNames)
{
    const ReminderMessage::Values values{"Maria Grazia Rossi", "mercoledì 17/12", "10:30", "Studio Bianchi",
                                         "Dott.ssa Bellandi"};
    const QString message = ReminderMessage::render(ReminderMessage::defaultTemplate(), values);
    EXPECT_EQ(message, "Gentile Maria Grazia Rossi, le ricordiamo l'appuntamento di mercoledì 17/12 alle 10:30 con "
                       "Dott.ssa Bellandi presso Studio Bianchi. Se non può venire ci avvisi.");
    const ReminderMessage::SmsLength length = ReminderMessage::smsLength(message);
    EXPECT_TRUE(length.gsm);
    EXPECT_LE(length.characters, 160);
    // A value that looks like a placeholder is not filled in again; unknown braces stay.
    EXPECT_EQ(ReminderMessage::render("{nome} {ora} {altro}", {"{ora}", "", "9:00", "", ""}), "{ora} 9:00 {altro}");
}

TEST(ReminderMessageTest, lengthCountsTheSmsAlphabet)
{
    EXPECT_EQ(ReminderMessage::lengthText("Perché può"), "10 caratteri su 160: un SMS.");
    // The extension table takes two places each.
    EXPECT_EQ(ReminderMessage::smsLength("5 €, [sì]").characters, 12);
    EXPECT_EQ(ReminderMessage::lengthText(QString(161, u'a')), "161 caratteri su 160: più SMS.");
    // A typographic apostrophe turns the whole message into the 70-character alphabet.
    EXPECT_EQ(ReminderMessage::lengthText("L’appuntamento"),
              "14 caratteri su 70, perché «’» non è nell'alfabeto degli SMS: un SMS.");
}
