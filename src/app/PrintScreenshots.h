#pragma once

#include <QString>

// Pictures of the printed one-page week of a practice with four, six and eight dentists with long names,
// from a scratch agenda in a temporary folder (the user's data is never opened).
namespace PrintScreenshots {

// Writes stampa-settimana-<n>-dentisti.png, or -pagina-1.png and -pagina-2.png when the week takes two
// pages, into `folder`, and lists them on the standard output. False when one could not be written.
bool write(const QString& folder);

} // namespace PrintScreenshots
