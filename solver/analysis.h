// How unforgiving a level is: of all positions play can reach from its start, how many
// can no longer be won.
//
// Every position reachable from the start by the game's own rules is enumerated (one
// arrow key at a time, through a headless session, as the solver plays them). A position
// whose robot is destroyed, or that is solved, ends its line; all others lead on. Then
// the positions from which a solved position can be reached are marked by walking the
// moves backwards from the solved ones; every other reachable position is lost.
// Positions are told apart as the solver tells them apart: the layers and the robot's
// cell, not its facing or pose; destroyed positions apart from living ones.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "game/board.h"

namespace prismcrate::solver {

struct SpaceLimits {
    std::uint64_t states = 2'000'000;  // positions to enumerate at most
    std::size_t memoryBytes = std::size_t{512} << 20;
    const std::atomic<bool>* cancel = nullptr;
};

struct PositionSpace {
    // False when a limit stopped the enumeration: then only `reachable` means anything,
    // as a count that the true number exceeds.
    bool complete = false;
    std::uint64_t reachable = 0;  // every position below, the start included
    std::uint64_t solved = 0;     // solved positions (won; lines end there)
    std::uint64_t destroyed = 0;  // positions with the robot destroyed (lost)
    std::uint64_t lost = 0;       // positions from which no line reaches a solved one
};

// Enumerates the positions of the level on `loaded` as it is loaded for play: robot
// facing down in the walking pose, game mode, the loading pass run (as solveLevel()).
// Throws std::invalid_argument when the robot's cell lies off the field.
PositionSpace countPositions(const Board& loaded, const SpaceLimits& limits = {});

}  // namespace prismcrate::solver
