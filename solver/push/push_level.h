// A plain crate level as the push search sees it: the cells the robot can ever reach,
// numbered densely, with their neighbours, targets, dead squares and push distances.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "game/board.h"

namespace prismcrate::solver::push {

// Directions in the order of their letters: l u r d.
constexpr int kDirections = 4;
constexpr int kDx[kDirections] = {-1, 0, 1, 0};
constexpr int kDy[kDirections] = {0, -1, 0, 1};
constexpr char kStepLetter[kDirections] = {'l', 'u', 'r', 'd'};
constexpr char kPushLetter[kDirections] = {'L', 'U', 'R', 'D'};
constexpr int opposite(int d) {
    return (d + 2) & 3;
}

constexpr int kNone = -1;
// The cost of a crate and target that no pushes bring together, in the assignment.
constexpr int kNoCost = 1 << 20;
// A push distance that no push sequence achieves.
constexpr std::uint16_t kUnreachable = 0xFFFF;

struct PushLevel {
    // Cells of the robot's region: every cell it could reach with all crates gone. Crates
    // outside it never move; the robot never leaves it.
    int cellCount = 0;
    std::vector<int> fieldCell;                           // cell -> field index x*20+y
    std::array<int, kCellCount> cellOf{};                 // field index -> cell or kNone
    std::vector<std::array<int, kDirections>> neighbour;  // cell, direction -> cell or kNone
    // The eight cells around a cell, clockwise from the one above (orthogonal ones at even
    // positions), kNone where there is none.
    std::vector<std::array<int, 8>> ring;
    // Bit sets over the cells, `words` 64-bit words each: every cell, and each cell's
    // neighbours (neighbourBits[c * words ...]).
    int words = 0;
    std::vector<std::uint64_t> allBits;
    std::vector<std::uint64_t> neighbourBits;
    std::vector<std::uint8_t> isTarget;  // per cell
    // Cells from which a crate can reach no target even alone on the board: a crate
    // pushed there can never be part of a solution.
    std::vector<std::uint8_t> isDead;
    std::vector<int> targets;  // target cells in the region
    // distance[t * cellCount + c]: fewest pushes that bring a lone crate from c onto
    // target t, kUnreachable when none do.
    std::vector<std::uint16_t> distance;
    // The same by cell: costs[c * targets + t], kNoCost where unreachable.
    std::vector<int> costs;

    std::vector<int> crates;  // the crates in the region at the start
    int robot = 0;

    // Set when the level is decided before any search: a crate outside the region stands
    // off a target, or there are more crates than targets.
    bool unsolvable = false;
    std::string unsolvableReason;

    const int* costRow(int cell) const {
        return &costs[static_cast<std::size_t>(cell) * targets.size()];
    }
    std::uint16_t pushDistance(int target, int cell) const {
        return distance[static_cast<std::size_t>(target) * static_cast<std::size_t>(cellCount) +
                        static_cast<std::size_t>(cell)];
    }
};

// Builds the level from a plain crate board (the caller has checked that it is one).
PushLevel buildPushLevel(const Board& board);

}  // namespace prismcrate::solver::push
