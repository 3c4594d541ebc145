// Playing moves on a level without a window: a headless game session runs the same move
// rules and field pass as the program, serving each blast redraw before the next key.
#pragma once

#include <cstddef>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "game/board.h"
#include "levels/level_record.h"
#include "tools/levels_tool/levels_tool.h"

namespace prismcrate {

enum class ReplayOutcome { Solved, Destroyed, Unsolved };

struct ReplayResult {
    ReplayOutcome outcome = ReplayOutcome::Unsolved;
    // The board as it stands when the replay stopped.
    Board board;
    // Letters applied before the replay stopped (0 when the level was decided on arrival).
    std::size_t movesPlayed = 0;
};

// The arrow key of a move letter (l u r d, either case), or 0 for any other character.
int moveKey(char letter);

// The position of the first character of `moves` that is not a move letter, or npos.
std::size_t findBadMoveLetter(std::string_view moves);

// Loads `level` as a level of a set is loaded for play (robot facing down, walking pose,
// game mode, one field pass), then applies `moves`: each letter is one arrow key press
// with its field pass, followed by the pass of a pending blast redraw. Stops at the first
// pass that finds the level solved, or once the robot is destroyed. Every character of
// `moves` must be a move letter (check with findBadMoveLetter first; others are skipped).
ReplayResult replayLevel(const LevelRecord& level, std::string_view moves);

// "solved", "destroyed" or "unsolved".
const char* outcomeName(ReplayOutcome outcome);

// The exit status of a replay: 0 solved, 3 unsolved, 4 destroyed.
int replayStatus(ReplayOutcome outcome);

// The tool's replay command; `args` follow the word "replay":
//   FILE.lev|FILE.lvp|- [--level N] MOVES
// Prints the level as it stands in text form and a last line "status: ...", and gives
// replayStatus(). Errors print one line on `err` ("prismcrate-levels: ...") and give 1,
// usage errors 2; nothing is written on `out` then.
int replayCommand(std::span<const std::string> args, ToolStreams& io);

}  // namespace prismcrate
