// The level record: the unit of level files (.lev) and level sets (.lvp).
//
//   magic         4 bytes, little-endian 110923 (4B B1 01 00)
//   title length  1 byte n
//   title         n bytes of cp1251
//   object layer  run-length coded, 400 cells
//   floor layer   run-length coded, 400 cells, starting with a fresh item
//   robot column  1 byte, then robot row 1 byte
//
// Cells are visited row by row from the top, each row from the left: cell (x, y) is
// element x*20 + y, so the walk has y outer and x inner. A layer is a sequence of items:
// a literal byte v (not 0xFE) fills one cell; 0xFE k v fills k+1 cells with v.
//
// The readers take a byte buffer, never look outside it and never index outside a layer,
// whatever the bytes hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "game/board.h"

namespace prismcrate {

constexpr std::int32_t kLevelMagic = 110923;
constexpr std::uint8_t kRunMarker = 0xFE;
// Longest run one item carries when written; a longer run is cut into chunks of this size.
constexpr int kMaxRunChunk = 254;
constexpr std::size_t kMaxTitleBytes = 255;
// The largest record a reader can consume: magic, title, two layers of 400 three-byte
// items, robot cell.
constexpr std::size_t kMaxRecordBytes = 4 + 1 + kMaxTitleBytes + 2 * 3 * kCellCount + 2;

struct LevelRecord {
    std::string title;  // cp1251 bytes
    Layer objectLayer{};
    Layer floorLayer{};
    std::uint8_t playerX = 0;
    std::uint8_t playerY = 0;

    bool operator==(const LevelRecord&) const = default;
};

// Appends the items of one layer.
void encodeLayer(const Layer& layer, std::vector<std::uint8_t>& out);

// The bytes of a level file. A title longer than 255 bytes keeps its first 255.
std::vector<std::uint8_t> encodeLevelRecord(const LevelRecord& level);

// Reads single bytes from a buffer. A read at the end delivers nothing and leaves its
// target unchanged.
class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> bytes, std::size_t position = 0)
        : bytes_(bytes), position_(position) {}

    bool read(std::uint8_t& target) {
        if (position_ >= bytes_.size()) {
            overran_ = true;
            return false;
        }
        target = bytes_[position_++];
        return true;
    }
    std::size_t position() const { return position_; }
    // True once a read met the end.
    bool overran() const { return overran_; }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_;
    bool overran_ = false;
};

// Decodes the 400 cells of one layer. The pending run belongs to this layer alone: a run
// that reaches past the last cell is cut there. A run item fills count+1 cells, so the
// counts 254 and 255, which no writer produces, fill 255 and 256 cells (cut at the end).
// Cells that the bytes do not reach keep their values.
void decodeLayer(ByteReader& in, Layer& layer);

enum class RecordStatus {
    Loaded,
    WrongMagic,     // the first four bytes are not the magic; nothing is read
    RobotOffField,  // the robot column or row is above 19; the record is refused
};

struct RecordRead {
    RecordStatus status = RecordStatus::WrongMagic;
    // The record ran into the end of the buffer: the fields it did not reach kept the
    // values `level` had.
    bool truncated = false;
    // Offset just past the last byte consumed.
    std::size_t end = 0;
};

// Reads the record that starts at `offset`. `level` is changed only when the result is
// Loaded; fields the bytes do not reach keep the values it had (the title keeps its old
// value only when even its length byte is missing).
RecordRead readLevelRecord(std::span<const std::uint8_t> bytes, std::size_t offset,
                           LevelRecord& level);

// The record of what is on the board now.
LevelRecord recordFromBoard(const Board& board, std::string title);
// Puts both layers and the robot cell on the board; nothing else changes.
void putRecordOnBoard(const LevelRecord& level, Board& board);

}  // namespace prismcrate
