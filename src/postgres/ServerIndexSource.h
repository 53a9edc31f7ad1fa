#pragma once

#include "ConnectionLine.h"
#include "SearchIndex.h"

#include <atomic>
#include <memory>

// The server's side of the search index: every appointment read on a connection of its own, in one
// snapshot, a few thousand rows at a time (never the whole agenda in one answer). Returns null when the
// server cannot be read or `cancel` was set. Safe to call on any thread.
namespace ServerIndexSource {

[[nodiscard]] std::unique_ptr<SearchIndex> load(const ConnectionLine& line, const std::atomic<bool>& cancel);

} // namespace ServerIndexSource
