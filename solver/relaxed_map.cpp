#include "solver/relaxed_map.h"

#include <vector>

namespace prismcrate::solver {

int neighbour(int cell, int dir) {
    const int x = cell / kFieldSize;
    const int y = cell % kFieldSize;
    switch (dir) {
        case kLeft:
            return x > 0 ? cell - kFieldSize : -1;
        case kUp:
            return y > 0 ? cell - 1 : -1;
        case kRight:
            return x < kFieldSize - 1 ? cell + kFieldSize : -1;
        case kDown:
            return y < kFieldSize - 1 ? cell + 1 : -1;
        default:
            return -1;
    }
}

namespace {

// Whether a push from `from` in direction `dir` is possible on the relaxed map: the cell
// ahead may be free and the robot may stand behind.
bool relaxedPush(const RelaxedMap& map, int from, int dir) {
    const int ahead = neighbour(from, dir);
    const int behind = neighbour(from, opposite(dir));
    return ahead >= 0 && behind >= 0 && map.free[ahead] && map.walkable[behind];
}

}  // namespace

RelaxedMap relaxedMap(const Board& board) {
    RelaxedMap map;
    const Layer& objects = board.objectLayer;
    const Layer& floors = board.floorLayer;

    for (int cell = 0; cell < kCellCount; ++cell) {
        map.anyPlate |= floors[cell] == kPlateReleased || floors[cell] == kPlatePressed;
        if (objects[cell] == kCrate) ++map.crates;
        if (floors[cell] == kFloorTarget) ++map.targets;
    }
    for (int cell = 0; cell < kCellCount; ++cell) {
        const std::uint8_t object = objects[cell];
        map.gate[cell] = object == kGateClosed || floors[cell] == kGateOpen;
        // A closed gate opens only while a plate is pressed; floor codes 2 and 3 are only
        // ever turned into each other or into an open gate, so without a plate now there is
        // never one. An open gate is free now.
        const bool gateMayOpen = map.gate[cell] && (object != kGateClosed || map.anyPlate);
        map.free[cell] = object == kEmpty || isPushable(object) || gateMayOpen;
        // Codes above the table neither block the robot nor move.
        map.walkable[cell] = map.free[cell] || (!isBlocking(object) && !isPushable(object));
    }
    if (onField(board.playerX, board.playerY))
        map.walkable[cellIndex(board.playerX, board.playerY)] = true;

    // Bombs: where one may ever stand, and what its blast may clear there. A cleared cell
    // becomes free, which may let bombs go further; repeat until nothing changes.
    std::vector<bool> bombMayStand(kCellCount, false);
    std::vector<int> frontier;
    for (int cell = 0; cell < kCellCount; ++cell) {
        if (objects[cell] == kBomb) {
            bombMayStand[cell] = true;
            frontier.push_back(cell);
        }
    }
    for (bool grew = !frontier.empty(); grew;) {
        grew = false;
        // Spread bombs by relaxed pushes from every cell reached so far.
        frontier.clear();
        for (int cell = 0; cell < kCellCount; ++cell)
            if (bombMayStand[cell]) frontier.push_back(cell);
        while (!frontier.empty()) {
            const int from = frontier.back();
            frontier.pop_back();
            for (int dir = kLeft; dir <= kDown; ++dir) {
                if (!relaxedPush(map, from, dir)) continue;
                const int to = neighbour(from, dir);
                if (!bombMayStand[to]) {
                    bombMayStand[to] = true;
                    frontier.push_back(to);
                }
            }
        }
        // Blast every such cell's plus.
        for (int cell = 0; cell < kCellCount; ++cell) {
            if (!bombMayStand[cell]) continue;
            for (int dir = 0; dir <= kDown; ++dir) {
                const int hit = dir == 0 ? cell : neighbour(cell, dir);
                if (hit < 0 || map.blastable[hit]) continue;
                map.blastable[hit] = true;
                if (!survivesBlast(objects[hit]) && !map.free[hit]) {
                    map.free[hit] = true;
                    map.walkable[hit] = true;
                    grew = true;
                }
            }
        }
    }

    // Crate distances: backwards from the targets, one relaxed push at a time.
    map.crateDistance.fill(kUnreachable);
    std::vector<int> queue;
    for (int cell = 0; cell < kCellCount; ++cell) {
        // A crate can only ever stand on a free cell.
        if (floors[cell] == kFloorTarget && map.free[cell]) {
            map.crateDistance[cell] = 0;
            queue.push_back(cell);
        }
    }
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const int to = queue[head];
        for (int dir = kLeft; dir <= kDown; ++dir) {
            const int from = neighbour(to, opposite(dir));
            if (from < 0 || !map.free[from] || map.crateDistance[from] != kUnreachable) continue;
            if (!relaxedPush(map, from, dir)) continue;
            map.crateDistance[from] = static_cast<std::uint16_t>(map.crateDistance[to] + 1);
            queue.push_back(from);
        }
    }
    return map;
}

}  // namespace prismcrate::solver
