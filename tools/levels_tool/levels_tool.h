// prismcrate-levels: converts levels between the binary files and their text form.
//
//   pack -o OUT.lev FILE.txt       one level   -> level file
//   pack -o OUT.lvp FILE.txt...    levels      -> level set, in order
//   unpack FILE.lev|FILE.lvp       binary      -> text on standard output
//   list FILE.lvp                  one line per level: number, tab, title
//   list --stats FILE [--time S] [--limit N]
//                                  per level: shortest solution, solver positions, and
//                                  how many reachable positions are lost (stats.h)
//   replay FILE.lev|FILE.lvp [--level N] MOVES
//                                  plays moves on a level (replay.h)
//   solve FILE [--level N] [--time S] [--memory MB] [--metric moves|pushes] [--json]
//                                  a shortest solution, or a proof there is none (solve.h)
//
// "-" as an input file reads standard input (a level set; a level file is a set of one
// level). Titles are shown with the text form's escapes (level_text.h), so no title puts
// a control character on the terminal.
//
// Errors print one line on standard error and give status 1 (nothing is written then);
// usage errors give status 2. Output that cannot be written whole (a full disk, a closed
// pipe) is an error. replay gives 0 only when the moves solve the level, 3 when they do
// not, 4 when the robot is destroyed; solve gives 0 solved, 3 unsolvable, 4 unknown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace prismcrate {

// The streams a command works with.
struct ToolStreams {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool inputTaken = false;  // standard input has been read (it can be read once)
};

// A failure that ends a command: "prismcrate-levels: " and the message on standard error,
// then `status`.
struct ToolFailure {
    std::string message;
    int status = 1;
};

// A file name's extension from its last dot, in lower case ("" when it has none).
std::string lowerExtension(const std::string& path);

// How error messages name an input: "standard input" for "-", else the path.
std::string inputName(const std::string& path);

// The bytes of an input file, or of standard input for "-", at most `limit` of them; a
// longer or unreadable input throws ToolFailure.
std::vector<std::uint8_t> readToolInput(ToolStreams& io, const std::string& path,
                                        std::size_t limit);

// Throws ToolFailure once `out` has failed to take what was written to it.
void checkOutput(std::ostream& out);

// `args` are the command-line arguments after the program name.
int runLevelsTool(std::span<const std::string> args, std::istream& in, std::ostream& out,
                  std::ostream& err);
// The same, with std::cin as standard input.
int runLevelsTool(std::span<const std::string> args, std::ostream& out, std::ostream& err);

}  // namespace prismcrate
