// The level set: level files back to back, each followed by one 0xFF byte. There is no
// header; the levels are found by walking the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "levels/level_record.h"

namespace prismcrate {

constexpr std::uint8_t kSetSeparator = 0xFF;

struct SetEntry {
    std::size_t offset = 0;  // where the record's magic starts
    std::string title;       // cp1251 bytes, possibly empty
};

// Walks the records of a set in file order, one entry at a time, without holding them.
// Four bytes at a time are tried as a magic; after a match the title is taken by its
// length and the rest of the record is skipped up to and including the next 0xFF. A 0xFF
// inside a title therefore does not end an entry. The whole walk is one pass over the
// bytes; the format sets no limit on the number of levels.
class SetWalk {
  public:
    explicit SetWalk(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    // The next entry; false at the end of the bytes.
    bool next(SetEntry& entry);

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

// The entries of a set in file order, at most `limit` of them.
std::vector<SetEntry> walkLevelSet(std::span<const std::uint8_t> bytes,
                                   std::size_t limit = static_cast<std::size_t>(-1));

enum class SetLevelStatus { Loaded, NoSuchLevel, WrongMagic, RobotOffField };

// Reads level `index` (0-based) of a set: the record exactly where the walk finds its
// index-th entry, so that a level is loaded from the place where the level list shows it.
// `level` changes only when the result is Loaded.
SetLevelStatus readSetLevel(std::span<const std::uint8_t> bytes, long long index,
                            LevelRecord& level);

// Appends one entry: the file's bytes unchanged, then the separator.
void appendSetEntry(std::vector<std::uint8_t>& set, std::span<const std::uint8_t> levelFile);

// What the level list shows for a level: its title, or "#" and its number when the title
// is empty. `number` is 1-based.
std::string listedTitle(std::string_view title, long long number);

}  // namespace prismcrate
