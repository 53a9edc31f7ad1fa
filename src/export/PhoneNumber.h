#pragma once

#include <QString>

#include <optional>

// Telephone numbers as receptionists write them.
namespace PhoneNumber {

// The number in international form, "+39" and digits only, when it is an Italian mobile: after the
// optional country code ("+39", "0039") it starts with 3 and has 9 or 10 digits. Spaces, dashes, dots,
// slashes and brackets between the digits are ignored ("333 123 4567", "+39 347-1234567" and
// "0039 320 1234567" are mobiles). Absent for a landline ("02 1234567"), a foreign or a malformed number.
[[nodiscard]] std::optional<QString> italianMobile(const QString& written);

} // namespace PhoneNumber
