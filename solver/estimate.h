// A lower bound on the key presses still needed, for the A* search.
//
// Every crate off a target must be pushed at least its relaxed push distance to the
// nearest target, one key press a push. Before the first push of any of those crates,
// which stand still until then, the robot must walk to a cell beside one of them from
// which a push is possible on the relaxed map; none of those moves pushes one of them,
// so the walk adds to their pushes.
//
// Crates also end on different targets: the cheapest assignment of all crates to
// distinct targets bounds the pushes of crates (no assignment at all: the position is
// lost). It may count pushes of crates standing on targets now, so it adds to the walk
// before the first push of any crate instead. The bound is the larger of the two.
//
// The bound never overestimates; it can drop by more than one in a move (a crate pushed
// off a target), so the search reopens positions reached again by a shorter line.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "solver/relaxed_map.h"

namespace prismcrate::solver {

class Estimate {
  public:
    static constexpr int kLost = -1;

    explicit Estimate(const RelaxedMap& map);

    // The bound for crates on `crates` (`count` cells) with the robot on `robot`, or
    // kLost when the crates cannot all reach targets of their own.
    int bound(const std::uint16_t* crates, int count, int robot) const;

    std::size_t bytes() const;

  private:
    int assignment(const std::uint16_t* crates, int count) const;

    const RelaxedMap& map_;
    std::vector<std::uint16_t> targets_;
    // Per target, the relaxed push distance from every cell.
    std::vector<std::array<std::uint16_t, kCellCount>> toTarget_;
    // Walking distance on the relaxed map between walkable cells, by walkable number.
    std::vector<std::int16_t> walkIndex_;
    std::vector<std::uint16_t> walk_;
    int walkCells_ = 0;
    bool assign_ = false;  // few enough crates and targets for an exact assignment
};

}  // namespace prismcrate::solver
