#pragma once

#include "ActivityEntry.h"

class AgendaArchive;

// The check of an archive's whole activity log, shared by `calvora --verify-log` and the check at start-up.
namespace LogVerification {

// Reads the numbers that anonymisations name (their personal texts were replaced on purpose), then walks
// every entry in order through ActivityChain::Verifier. Throws DatabaseError when the log cannot be read.
[[nodiscard]] ActivityChain::Verdict verify(AgendaArchive& archive);

} // namespace LogVerification
