// Sokoban levels in the common XSB text form, read into level records and written back.
//
//   #  wall      $  crate      .  target      *  crate on a target
//   @  robot     +  robot on a target          space, - or _  floor
//
// A level is a block of such rows. A block starts with a row holding a wall, a crate or the
// robot (or targets, without a count) and goes on while the lines hold nothing but these
// characters; a blank line or any other line ends it. Rows may be run-length coded: a count before
// a character repeats it ("4#" is
// "####"), and '|' separates rows written on one line. Lines starting with ';' are
// comments: the last comment between the previous level and a level is that level's
// title, unless a "Title:" line follows the level, which then wins.
//
// Trailing spaces are not part of a level, and neither is the indentation that all its
// rows share, which is kept aside. What remains, with every floor written as a space, is
// the level's canonical form; writing a placed level back gives exactly that form,
// indentation included.
//
// Placing a level on the 20 by 20 field: the block is centred (left and top take the
// smaller half of the spare cells), moved right by its indentation as far as the field
// allows, and everything around it stays plain empty floor. A level is refused, with a
// problem naming why, when it is wider or taller than 20 (indentation not counted), when
// it has no robot or more than one, or when the robot could walk out of the block (a level
// not closed by walls would play differently on the larger field). Titles become cp1251
// and are cut to 30 characters, the longest title the editor accepts (and then of
// trailing spaces); characters without a cp1251 byte, and control characters, become '?'.
// Each such change, and a cut indentation, is noted.
//
// The reader treats its input as hostile: counts and sizes are capped, nothing is read
// outside the text, and every loop ends with the text.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "levels/level_record.h"

namespace prismcrate {

// The longest title the editor lets an author type, in characters.
constexpr std::size_t kXsbTitleCharacters = 30;

struct XsbLevel {
    int number = 0;                 // 1-based position among the levels of the text
    int line = 0;                   // the line of its first row
    int width = 0;                  // columns of the canonical form
    int height = 0;                 // rows
    int indent = 0;                 // columns of indentation its rows share
    std::string title;              // UTF-8, as the text gives it
    std::vector<std::string> rows;  // the canonical form (rows wider than the field are cut)
    // The level on the field; empty when it cannot be placed, and `problem` says why.
    std::optional<LevelRecord> record;
    std::string problem;
    std::vector<std::string> notes;  // changes made to the title
};

// Every level of an XSB text, in order, placed on the field where it fits.
std::vector<XsbLevel> readXsb(std::string_view text);

class XsbError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The rows of a level: the smallest box holding every wall, crate, target and the robot,
// indented by as many columns as the box lies right of the field's centre. Throws XsbError
// naming the first cell that holds anything else (an object or a floor mark XSB has no
// character for), or a robot standing on an object.
std::vector<std::string> xsbRows(const LevelRecord& level);

// The XSB text of levels: each one's title as a comment (none when the title is empty),
// its rows, and a blank line between levels. Throws XsbError naming the level (1-based)
// and the first thing that cannot be written.
std::string writeXsb(const std::vector<LevelRecord>& levels);

}  // namespace prismcrate
