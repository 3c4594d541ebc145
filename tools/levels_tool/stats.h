// The level tool's list --stats: per level, its shortest solution, the positions the
// solver stored to prove it, and how many of the positions reachable from its start can
// no longer be won (solver/analysis.h).
#pragma once

#include <span>
#include <string>

#include "tools/levels_tool/levels_tool.h"

namespace prismcrate {

// `args` follow the word "list" and hold "--stats":
//   --stats FILE [--time S] [--limit N]
// FILE is a level set (.lvp, or "-" for standard input), a level file (.lev) or level
// text (.txt). --time bounds each level's search (default 10 s), --limit the positions
// enumerated per level (default 2 000 000). Prints a header and one row per level:
// number, moves, pushes, solver positions, solver seconds, reachable positions, lost
// positions and their share, title. A search stopped by its limit shows "?", a level
// proved unsolvable "none", a position space larger than the limit ">N". Returns 0.
int listStatsCommand(std::span<const std::string> args, ToolStreams& io);

}  // namespace prismcrate
