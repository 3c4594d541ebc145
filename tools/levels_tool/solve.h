// The level tool's solve command: the shortest solution of a level, or a proof that it has
// none, found by the solver.
#pragma once

#include <span>
#include <string>

#include "tools/levels_tool/levels_tool.h"

namespace prismcrate {

// `args` follow the word "solve":
//   FILE [--level N] [--time S] [--memory MB] [--metric moves|pushes] [--json]
// FILE is a level file (.lev), a level set (.lvp, or "-" for standard input) or level text
// (.txt). Prints the status,
// the solution in replay's letters (capitals for pushes), moves, pushes, positions stored
// and time, or one JSON object with --json. When the error stream is standard error and a
// terminal, shows the search's progress on one line there, cleared at the end.
// Returns 0 solved, 3 unsolvable, 4 unknown (a limit stopped the search); errors and usage
// errors throw ToolFailure (status 1 and 2).
int solveCommand(std::span<const std::string> args, ToolStreams& io);

}  // namespace prismcrate
