// The text form of levels, for authors, reviews and tests:
//
//   Title: <UTF-8 title, may be empty: "Title:"; escapes below>
//   Objects:
//   20 rows of 20 characters, top row first   (- # $ r \ / < ^ > v b % g, @ = robot)
//   Floor:
//   20 rows of 20 characters                  (- . _ = x)
//
// A file holds one or more levels. Lines starting with ';' are comments; blank lines may
// stand between levels and sections; line ends may be LF or CRLF.
//
// A title may hold any bytes, so the text shows the ones that are no printable text as
// escapes: "\n" line feed, "\r" carriage return, "\t" tab, "\xHH" any other control byte
// (0x00..0x1F, 0x7F, and 0x98, which cp1251 leaves unassigned) by its cp1251 byte in
// hexadecimal, and "\\" the backslash itself. A reader takes "\xHH" for any byte.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "levels/level_record.h"

namespace prismcrate {

class LevelTextError : public std::runtime_error {
  public:
    // `line` is 1-based, or 0 when the error belongs to no line.
    LevelTextError(int line, const std::string& message)
        : std::runtime_error(message), line_(line) {}
    int line() const { return line_; }

  private:
    int line_;
};

struct TextLevel {
    LevelRecord record;  // title in cp1251
    int line = 0;        // the line of its "Title:"
};

// Parses every level of a text; throws LevelTextError naming the line of the first fault.
// A text without any level is an error.
std::vector<TextLevel> parseLevelText(std::string_view text);

// The text form of one level, ending with a line break. Codes that have no character are
// written as '?'.
std::string levelToText(const LevelRecord& level);

// A title (cp1251 bytes) as the text form shows it: UTF-8 with the escapes above. The
// result holds no control character, so it is safe on a terminal and on one line.
std::string titleToEscapedText(std::string_view cp1251);

// The reverse: the cp1251 bytes of an escaped UTF-8 title. Throws LevelTextError (line 0)
// for a malformed escape, text that is not UTF-8, a character cp1251 cannot hold or a
// title longer than 255 bytes.
std::string titleFromEscapedText(std::string_view text);

// The character of an object or floor code, '?' for a code without one.
char objectChar(std::uint8_t code);
char floorChar(std::uint8_t code);

}  // namespace prismcrate
