#include "solver/estimate.h"

#include <algorithm>
#include <limits>

namespace prismcrate::solver {
namespace {

// Exact assignments are worth their cost only for a handful of crates and targets.
constexpr int kMostAssignedCrates = 8;
constexpr int kMostAssignedTargets = 12;
constexpr int kNoWay = 1 << 20;

}  // namespace

Estimate::Estimate(const RelaxedMap& map) : map_(map) {
    for (int cell = 0; cell < kCellCount; ++cell)
        if (map.crateDistance[cell] == 0) targets_.push_back(static_cast<std::uint16_t>(cell));
    assign_ = map.crates >= 2 && map.crates <= kMostAssignedCrates &&
              static_cast<int>(targets_.size()) <= kMostAssignedTargets;
    if (assign_) {
        // Backwards from each target alone, one relaxed push at a time.
        for (const std::uint16_t target : targets_) {
            std::array<std::uint16_t, kCellCount> distance;
            distance.fill(kUnreachable);
            std::vector<int> queue{target};
            distance[target] = 0;
            for (std::size_t head = 0; head < queue.size(); ++head) {
                const int to = queue[head];
                for (int dir = kLeft; dir <= kDown; ++dir) {
                    const int from = neighbour(to, opposite(dir));
                    const int behind = from < 0 ? -1 : neighbour(from, opposite(dir));
                    if (behind < 0 || !map.free[from] || !map.walkable[behind] ||
                        distance[from] != kUnreachable)
                        continue;
                    distance[from] = static_cast<std::uint16_t>(distance[to] + 1);
                    queue.push_back(from);
                }
            }
            toTarget_.push_back(distance);
        }
    }

    walkIndex_.assign(kCellCount, -1);
    std::vector<int> cells;
    for (int cell = 0; cell < kCellCount; ++cell) {
        if (!map.walkable[cell]) continue;
        walkIndex_[cell] = static_cast<std::int16_t>(cells.size());
        cells.push_back(cell);
    }
    walkCells_ = static_cast<int>(cells.size());
    walk_.assign(static_cast<std::size_t>(walkCells_) * static_cast<std::size_t>(walkCells_),
                 kUnreachable);
    std::vector<int> queue;
    for (int from = 0; from < walkCells_; ++from) {
        std::uint16_t* row = &walk_[static_cast<std::size_t>(from) * walkCells_];
        queue.assign(1, cells[static_cast<std::size_t>(from)]);
        row[from] = 0;
        for (std::size_t head = 0; head < queue.size(); ++head) {
            const int at = queue[head];
            for (int dir = kLeft; dir <= kDown; ++dir) {
                const int next = neighbour(at, dir);
                if (next < 0 || walkIndex_[next] < 0 || row[walkIndex_[next]] != kUnreachable)
                    continue;
                row[walkIndex_[next]] = static_cast<std::uint16_t>(row[walkIndex_[at]] + 1);
                queue.push_back(next);
            }
        }
    }
}

std::size_t Estimate::bytes() const {
    return toTarget_.size() * sizeof(toTarget_[0]) + walk_.size() * sizeof(walk_[0]) +
           walkIndex_.size() * sizeof(walkIndex_[0]);
}

int Estimate::assignment(const std::uint16_t* crates, int count) const {
    // The Hungarian method on `count` crates (rows) and the targets (columns), 1-based.
    const int n = count;
    const int m = static_cast<int>(targets_.size());
    int u[kMostAssignedCrates + 1] = {};
    int v[kMostAssignedTargets + 1] = {};
    int way[kMostAssignedTargets + 1] = {};
    int owner[kMostAssignedTargets + 1] = {};  // the crate assigned to each target
    auto cost = [&](int crate, int target) {
        const std::uint16_t d = toTarget_[static_cast<std::size_t>(target - 1)][crates[crate - 1]];
        return d == kUnreachable ? kNoWay : static_cast<int>(d);
    };
    for (int i = 1; i <= n; ++i) {
        owner[0] = i;
        int j0 = 0;
        int least[kMostAssignedTargets + 1];
        bool used[kMostAssignedTargets + 1] = {};
        std::fill(least, least + m + 1, std::numeric_limits<int>::max());
        do {
            used[j0] = true;
            const int i0 = owner[j0];
            int delta = std::numeric_limits<int>::max();
            int j1 = 0;
            for (int j = 1; j <= m; ++j) {
                if (used[j]) continue;
                const int reduced = cost(i0, j) - u[i0] - v[j];
                if (reduced < least[j]) {
                    least[j] = reduced;
                    way[j] = j0;
                }
                if (least[j] < delta) {
                    delta = least[j];
                    j1 = j;
                }
            }
            for (int j = 0; j <= m; ++j) {
                if (used[j]) {
                    u[owner[j]] += delta;
                    v[j] -= delta;
                } else {
                    least[j] -= delta;
                }
            }
            j0 = j1;
        } while (owner[j0] != 0);
        do {
            const int j1 = way[j0];
            owner[j0] = owner[j1];
            j0 = j1;
        } while (j0 != 0);
    }
    int total = 0;
    for (int j = 1; j <= m; ++j) {
        if (owner[j] == 0) continue;
        const int c = cost(owner[j], j);
        if (c >= kNoWay) return kLost;
        total += c;
    }
    return total;
}

int Estimate::bound(const std::uint16_t* crates, int count, int robot) const {
    // Pushes of the crates off their targets, and the walk to the first of them; and the
    // walk to the first push of any crate, which goes with the assignment, since that may
    // move crates that stand on targets now.
    int pushes = 0;
    int walkOff = kUnreachable;
    int walkAny = kUnreachable;
    const std::uint16_t* fromRobot =
        &walk_[static_cast<std::size_t>(walkIndex_[robot]) * static_cast<std::size_t>(walkCells_)];
    for (int i = 0; i < count; ++i) {
        const int crate = crates[i];
        const std::uint16_t distance = map_.crateDistance[crate];
        if (distance == kUnreachable) return kLost;
        pushes += distance;
        for (int dir = kLeft; dir <= kDown; ++dir) {
            const int ahead = neighbour(crate, dir);
            const int behind = neighbour(crate, opposite(dir));
            if (ahead < 0 || behind < 0 || !map_.free[ahead] || !map_.walkable[behind]) continue;
            const int walk = fromRobot[walkIndex_[behind]];
            walkAny = std::min(walkAny, walk);
            if (distance > 0) walkOff = std::min(walkOff, walk);
        }
    }
    if (pushes == 0) return 0;
    // A crate off its target has a relaxed push (its distance is finite), but the robot
    // may be unable to walk to where it would push from.
    if (walkOff >= kUnreachable) return kLost;
    int bound = pushes + walkOff;
    if (assign_) {
        const int assigned = assignment(crates, count);
        if (assigned == kLost) return kLost;
        bound = std::max(bound, assigned + walkAny);
    }
    return bound;
}

}  // namespace prismcrate::solver
