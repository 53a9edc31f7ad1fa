#pragma once

#include "DatabaseError.h"

#include <QString>

namespace SaveFailure {

// What the receptionist reads when the archive failed to write: the archive's own reason after the
// words every failed save begins with.
[[nodiscard]] inline QString text(const DatabaseError& error)
{
    return QStringLiteral("Errore durante il salvataggio: ") + error.message();
}

} // namespace SaveFailure
