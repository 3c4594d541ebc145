// Positions packed into a few machine words: only what can ever change is stored.
//
// A position is the object layer, the floor marks that can differ (plates pressed or
// released, gates open or closed) and the robot's cell; facing and pose never influence
// what follows, so they are left out. Packed, it is:
// - the robot's cell, numbered among the cells it may ever stand on;
// - for each kind of movable object on the level (crates, rocks, the two mirrors, bombs),
//   how many are left (crates never go) and their cells in increasing order, numbered
//   among the cells such an object may ever stand on;
// - for each cell whose own content can change (a wall a blast may clear, a gate, a
//   plate), which of its few possible object and floor pairs it holds, movable objects
//   aside.
// Everything else is the same in every position reachable from the start and comes from
// a template. Unused bits are zero, so equal positions have equal words.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "game/board.h"
#include "solver/relaxed_map.h"

namespace prismcrate::solver {

class StateCodec {
  public:
    StateCodec(const Board& start, const RelaxedMap& map);

    int words() const { return words_; }

    enum class Packed {
        Ok,
        DeadCrate,  // a crate stands where no sequence of pushes brings it onto a target
    };

    // Packs the position on `board` into `out` (words() words) and lists the crates' cells
    // in `crates` (room for every cell), their number in `crateCount`. Throws
    // std::logic_error when the board holds something the relaxed map said could never be
    // there (a fault of this solver).
    Packed pack(const Board& board, std::uint64_t* out, std::uint16_t* crates,
                int& crateCount) const;

    // Writes the position into `board`: both layers and the robot's cell.
    void unpack(const std::uint64_t* in, Board& board) const;

    // Unpacks and packs again, and compares with `board`: for tests.
    bool roundTrips(const Board& board) const;

  private:
    struct Group {
        std::uint8_t code = 0;
        int most = 0;       // objects at the start
        int countBits = 0;  // 0 for crates, whose number never changes
        int cellBits = 0;
        std::vector<std::uint16_t> cells;  // candidate cells, increasing
        std::vector<std::int16_t> index;   // cell -> candidate number, or -1
    };
    struct Slot {
        std::uint16_t cell = 0;
        int bits = 0;
        std::vector<std::uint8_t> objects;  // base object of each pair
        std::vector<std::uint8_t> floors;   // floor of each pair
    };

    Layer templateObjects_{};
    Layer templateFloors_{};
    std::vector<std::uint16_t> robotCells_;
    std::vector<std::int16_t> robotIndex_;
    int robotBits_ = 0;
    std::array<bool, kCellCount> free_{};
    std::int8_t groupOfCode_[256];
    std::vector<Group> groups_;
    std::vector<Slot> slots_;
    int words_ = 1;
};

}  // namespace prismcrate::solver
