#pragma once

#include <QString>
#include <QStringList>

// A person's name made shorter for a narrow place while it still says who it is: the surname is what
// stays longest.
namespace PersonName {

// The name as written, then its shorter forms, longest first and without repeats: without the leading
// title ("Dott.ssa Chiara Bellandi" gives "Chiara Bellandi"), with the first names as initials
// ("C. Bellandi"), the surname alone ("Bellandi"). A surname keeps its particles ("Anna De Luca" gives
// "A. De Luca" and "De Luca"). A name that ends in a number ("Dentista 4") ends with the number alone,
// which tells such names apart. Where even the last form does not fit, the caller cuts it.
[[nodiscard]] QStringList shorterForms(const QString& name);

} // namespace PersonName
