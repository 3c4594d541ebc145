#include "solver/push/push_level.h"

#include <algorithm>

namespace prismcrate::solver::push {
namespace {

bool walkable(const Board& board, int x, int y) {
    if (!onField(x, y)) return false;
    const std::uint8_t object = board.object(x, y);
    return object == kEmpty || object == kCrate;
}

}  // namespace

PushLevel buildPushLevel(const Board& board) {
    PushLevel level;
    level.cellOf.fill(kNone);

    // The region: flood from the robot over everything that is not a wall.
    std::vector<int> stack{cellIndex(board.playerX, board.playerY)};
    level.cellOf[static_cast<std::size_t>(stack.back())] = 0;
    level.fieldCell.push_back(stack.back());
    while (!stack.empty()) {
        const int field = stack.back();
        stack.pop_back();
        const int x = field / kFieldSize;
        const int y = field % kFieldSize;
        for (int d = 0; d < kDirections; ++d) {
            const int nx = x + kDx[d];
            const int ny = y + kDy[d];
            if (!walkable(board, nx, ny)) continue;
            const int next = cellIndex(nx, ny);
            if (level.cellOf[static_cast<std::size_t>(next)] != kNone) continue;
            level.cellOf[static_cast<std::size_t>(next)] = static_cast<int>(level.fieldCell.size());
            level.fieldCell.push_back(next);
            stack.push_back(next);
        }
    }
    // Number the cells in field order, so that positions and their bit sets do not depend
    // on the order of the flood.
    std::sort(level.fieldCell.begin(), level.fieldCell.end());
    for (std::size_t i = 0; i < level.fieldCell.size(); ++i)
        level.cellOf[static_cast<std::size_t>(level.fieldCell[i])] = static_cast<int>(i);
    const int n = static_cast<int>(level.fieldCell.size());
    level.cellCount = n;

    level.neighbour.resize(static_cast<std::size_t>(n));
    level.ring.resize(static_cast<std::size_t>(n));
    level.words = (n + 63) / 64;
    const auto words = static_cast<std::size_t>(level.words);
    level.allBits.assign(words, 0);
    level.neighbourBits.assign(static_cast<std::size_t>(n) * words, 0);
    level.isTarget.assign(static_cast<std::size_t>(n), 0);
    for (int c = 0; c < n; ++c) {
        const int field = level.fieldCell[static_cast<std::size_t>(c)];
        const int x = field / kFieldSize;
        const int y = field % kFieldSize;
        for (int d = 0; d < kDirections; ++d) {
            const int nx = x + kDx[d];
            const int ny = y + kDy[d];
            level.neighbour[static_cast<std::size_t>(c)][static_cast<std::size_t>(d)] =
                onField(nx, ny) ? level.cellOf[static_cast<std::size_t>(cellIndex(nx, ny))] : kNone;
        }
        constexpr int kRingDx[8] = {0, 1, 1, 1, 0, -1, -1, -1};
        constexpr int kRingDy[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
        for (int k = 0; k < 8; ++k) {
            const int nx = x + kRingDx[k];
            const int ny = y + kRingDy[k];
            level.ring[static_cast<std::size_t>(c)][static_cast<std::size_t>(k)] =
                onField(nx, ny) ? level.cellOf[static_cast<std::size_t>(cellIndex(nx, ny))] : kNone;
        }
        level.allBits[static_cast<std::size_t>(c / 64)] |= std::uint64_t{1} << (c % 64);
        for (const int next : level.neighbour[static_cast<std::size_t>(c)])
            if (next != kNone)
                level.neighbourBits[static_cast<std::size_t>(c) * words +
                                    static_cast<std::size_t>(next / 64)] |= std::uint64_t{1}
                                                                            << (next % 64);
        if (board.floorLayer[static_cast<std::size_t>(field)] == kFloorTarget) {
            level.isTarget[static_cast<std::size_t>(c)] = 1;
            level.targets.push_back(c);
        }
        if (board.objectLayer[static_cast<std::size_t>(field)] == kCrate) level.crates.push_back(c);
    }
    level.robot = level.cellOf[static_cast<std::size_t>(cellIndex(board.playerX, board.playerY))];

    // Crates the robot can never reach stay where they are.
    for (int field = 0; field < kCellCount; ++field) {
        if (board.objectLayer[static_cast<std::size_t>(field)] != kCrate ||
            level.cellOf[static_cast<std::size_t>(field)] != kNone)
            continue;
        if (board.floorLayer[static_cast<std::size_t>(field)] != kFloorTarget) {
            level.unsolvable = true;
            level.unsolvableReason = "a crate the robot can never reach stands off a target";
        }
    }
    if (level.crates.size() > level.targets.size()) {
        level.unsolvable = true;
        level.unsolvableReason = "more crates than targets the robot can reach";
    }

    // Push distances, from each target backwards: a crate on `to` came from `from` = to - d
    // when the robot could stand at from - d.
    const std::size_t tn = level.targets.size();
    level.distance.assign(tn * static_cast<std::size_t>(n), kUnreachable);
    level.isDead.assign(static_cast<std::size_t>(n), 1);
    std::vector<int> queue;
    for (std::size_t t = 0; t < tn; ++t) {
        std::uint16_t* dist = &level.distance[t * static_cast<std::size_t>(n)];
        queue.assign(1, level.targets[t]);
        dist[level.targets[t]] = 0;
        for (std::size_t head = 0; head < queue.size(); ++head) {
            const int to = queue[head];
            level.isDead[static_cast<std::size_t>(to)] = 0;
            for (int d = 0; d < kDirections; ++d) {
                const int from = level.neighbour[static_cast<std::size_t>(to)]
                                                [static_cast<std::size_t>(opposite(d))];
                if (from == kNone) continue;
                const int pusher = level.neighbour[static_cast<std::size_t>(from)]
                                                  [static_cast<std::size_t>(opposite(d))];
                if (pusher == kNone || dist[from] != kUnreachable) continue;
                dist[from] = static_cast<std::uint16_t>(dist[to] + 1);
                queue.push_back(from);
            }
        }
    }
    level.costs.assign(static_cast<std::size_t>(n) * tn, kNoCost);
    for (std::size_t t = 0; t < tn; ++t)
        for (int c = 0; c < n; ++c) {
            const std::uint16_t d =
                level.distance[t * static_cast<std::size_t>(n) + static_cast<std::size_t>(c)];
            if (d != kUnreachable) level.costs[static_cast<std::size_t>(c) * tn + t] = d;
        }

    return level;
}

}  // namespace prismcrate::solver::push
