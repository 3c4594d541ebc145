// What can ever change on a level, from a given position on: the relaxed map on which the
// search's pruning and its lower bound rest.
//
// Every set here over-approximates what play can bring about, whatever keys follow:
// - `free`: cells that may ever hold no object (code 0): empty now, holding a movable
//   object, a gate that a plate may open, or anything a blast may clear;
// - `walkable`: cells the robot may ever stand on: the free cells, its own cell, and
//   cells holding a code that neither blocks nor can be pushed (only damaged files);
// - `blastable`: cells a blast may ever cover: the plus around every cell a bomb may be
//   pushed to on the relaxed map, grown until no further wall falls.
// A cell that is not walkable is permanent: nothing ever enters it and its object stays.
#pragma once

#include <array>
#include <cstdint>

#include "game/board.h"

namespace prismcrate::solver {

constexpr std::uint16_t kUnreachable = 0xFFFF;

struct RelaxedMap {
    std::array<bool, kCellCount> free{};
    std::array<bool, kCellCount> walkable{};
    std::array<bool, kCellCount> blastable{};
    // Cells whose floor a gate rules: a closed gate now or an open one (floor 4).
    std::array<bool, kCellCount> gate{};
    // Fewest pushes that could bring a crate from the cell onto a target, pushing on the
    // relaxed map (the cell ahead free, the robot's cell behind walkable); kUnreachable
    // when no sequence of pushes can. Only cells that are targets now can ever be targets.
    std::array<std::uint16_t, kCellCount> crateDistance{};
    int crates = 0;
    int targets = 0;
    bool anyPlate = false;

    bool permanent(int cell) const { return !walkable[cell]; }
};

RelaxedMap relaxedMap(const Board& board);

// One step from `cell` in direction 1..4, or -1 off the field.
int neighbour(int cell, int dir);

// The direction opposite to `dir`.
constexpr int opposite(int dir) {
    return dir <= 2 ? dir + 2 : dir - 2;
}

}  // namespace prismcrate::solver
