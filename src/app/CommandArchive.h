#pragma once

#include <memory>

class AgendaArchive;

// The archive a command-line mode works on: the one the program would open (the server of --server or
// server.txt, or the data folder's file), upgraded as the program would upgrade it. A file of this
// version is not checked whole: the program's own start does that.
namespace CommandArchive {

// Throws DatabaseError with the reason (a missing file is no new, empty agenda).
[[nodiscard]] std::unique_ptr<AgendaArchive> open();

} // namespace CommandArchive
