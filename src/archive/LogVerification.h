#pragma once

#include "ActivityEntry.h"

#include <atomic>

class AgendaArchive;

// The check of an archive's whole activity log, shared by `calvora --verify-log` and the check at start-up.
namespace LogVerification {

// Reads the numbers that anonymisations name (their personal texts were replaced on purpose), then walks
// every entry in order through ActivityChain::Verifier. Throws DatabaseError when the log cannot be read.
// Setting `stop` (from any thread) ends the walk early, with the verdict on the entries read so far.
[[nodiscard]] ActivityChain::Verdict verify(AgendaArchive& archive, const std::atomic<bool>* stop = nullptr);

} // namespace LogVerification
