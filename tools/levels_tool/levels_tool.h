// prismcrate-levels: converts levels between the binary files and their text form.
//
//   pack -o OUT.lev FILE.txt       one level   -> level file
//   pack -o OUT.lvp FILE.txt...    levels      -> level set, in order
//   unpack FILE.lev|FILE.lvp       binary      -> text on standard output
//   list FILE.lvp                  one line per level: number, tab, title
//   replay FILE.lev|FILE.lvp [--level N] MOVES
//                                  plays moves on a level (replay.h)
//   import FILE.xsb -o OUT.lvp     Sokoban XSB levels -> level set (import_export.h)
//   export FILE -o OUT.xsb         levels -> Sokoban XSB
//
// Errors print one line on standard error and give status 1 (nothing is written then);
// usage errors give status 2.
#pragma once

#include <ostream>
#include <span>
#include <string>

namespace prismcrate {

// `args` are the command-line arguments after the program name.
int runLevelsTool(std::span<const std::string> args, std::ostream& out, std::ostream& err);

}  // namespace prismcrate
