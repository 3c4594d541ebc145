// The level tool's bridge to Sokoban's XSB text form (levels/xsb.h):
//
//   import FILE.xsb -o OUT.lvp|OUT.lev   XSB levels -> level set (or one level file)
//   export FILE -o OUT.xsb               a .lvp, .lev or level text -> XSB
//
// Import places every level that fits the field and skips the others with one warning
// line each on standard error ("FILE:LINE: level N skipped: it is 21 by 14, larger than
// the 20 by 20 field"); title changes are warned about the same way. It exits 0 when at
// least one level was written, and prints how many on standard output. Export writes
// either every level or nothing: the first level holding something XSB has no character
// for (a rock, a plate, ...) ends it with status 1, naming the level and the cell.
#pragma once

#include <ostream>
#include <span>
#include <string>

namespace prismcrate {

// `args` follow the command's name. Errors print one line on `err` and give 1, usage
// errors 2; nothing is written then.
int importCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);
int exportCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);

}  // namespace prismcrate
