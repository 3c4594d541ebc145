// The push search: A* and greedy searches over positions of the crates and the robot.
//
// 1. Fewest pushes (A*). A position is the crates and the robot's reachable area (named by
//    its first cell), since walking costs nothing here. The bound is the cheapest
//    assignment of crates to their own targets by push distance (each crate alone on the
//    board); it is consistent, as one push changes it by at most one, so the first solved
//    position taken from the open list has the fewest pushes. Among equal bounds the
//    deepest position goes first. Pruning: pushes onto dead squares, freeze deadlocks
//    (also groups frozen on targets that leave the other crates without targets),
//    positions without any assignment, and PI-corral pruning. Each removes only positions
//    from which the level cannot be solved, or keeps at least one push-optimal solution
//    from every solvable position, so the answer is exact and Unsolvable is a proof.
// 2. Fewest moves among those (A*). A position is the crates and the robot's exact cell,
//    the cost is (pushes, moves) in that order, and only solutions within the pushes of
//    step 1 and below its moves are looked for: when there is none, step 1's solution has
//    the fewest moves. PI-corral pruning is not used here: it may reorder pushes, which
//    keeps their number but not the walks between them. This step has a budget of its
//    own; when it runs out, the solution of step 1 stands, proved push-optimal only.
// 3. When step 1 does not finish within its share of the time (or memory), greedy searches
//    look for any solution: the lowest bound first, then pushes made weighed against five
//    times the bound. Their solutions are not proved optimal. They prune as step 1 does,
//    so when one exhausts every position, the level is proved unsolvable all the same.

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <ctime>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "solver/push/matching.h"
#include "solver/push/node_store.h"
#include "solver/push/push_level.h"
#include "solver/push/push_solver.h"
#include "solver/push_search.h"

namespace prismcrate::solver {
namespace push {
namespace {

// Time since it was made: on the wall clock, or the calling thread's processor time.
class Stopwatch {
  public:
    explicit Stopwatch(ClockKind kind) : kind_(kind), start_(now()) {}
    double seconds() const { return now() - start_; }

  private:
    double now() const {
        if (kind_ == ClockKind::ThreadCpu) {
            timespec t{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
            return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
        }
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    ClockKind kind_;
    double start_;
};

inline void setBit(std::uint64_t* bits, int cell) {
    bits[cell >> 6] |= std::uint64_t{1} << (cell & 63);
}
inline void clearBit(std::uint64_t* bits, int cell) {
    bits[cell >> 6] &= ~(std::uint64_t{1} << (cell & 63));
}

// A position and the best path known to it.
template <int W>
struct Node {
    std::uint64_t crates[W];
    std::uint32_t parent;  // the node it was reached from; itself for the start
    std::uint32_t moves;   // steps and pushes from the start (exact positions only)
    std::uint16_t robot;   // exact cell, or the first cell of the reachable area
    std::uint16_t pushes;
    std::uint16_t bound;  // lower bound on the pushes still needed
    std::uint8_t closed;  // expanded: its path is final

    bool sameKey(const Node& other) const {
        return robot == other.robot && std::memcmp(crates, other.crates, sizeof(crates)) == 0;
    }
    std::uint64_t hash() const {
        std::uint64_t h = (robot + 1ull) * 0x9E3779B97F4A7C15ull;
        for (int i = 0; i < W; ++i) {
            h ^= crates[i];
            h *= 0xBF58476D1CE4E5B9ull;
            h ^= h >> 29;
        }
        return h * 0x94D049BB133111EBull;
    }
};

// The moves search gets this share of the time the pushes search took, and at least this
// long (within the caller's limit).
constexpr double kMovesSearchShare = 2;
constexpr double kMovesSearchMinimumSeconds = 0.05;

// With a time limit, the search for the fewest pushes may run until this share of it has
// passed; when it has not finished, the greedy searches follow, each until its share.
constexpr double kOptimalShare = 0.3;
struct GreedyStep {
    std::uint32_t weight;
    double share;
};
constexpr GreedyStep kGreedySteps[] = {{0, 0.4}, {5, 1.0}};

// Assignments kept for the positions expanded last.
constexpr std::size_t kFirstSavedMatchings = 256;
constexpr std::size_t kMostSavedMatchings = 16384;
static_assert(Matching::kForbidden == kNoCost);

// Frozen groups whose reachable targets are kept (the cache starts afresh when full).
constexpr std::size_t kReachCacheGroups = 256;

// Freeze checks give up (and call the crate free) after this many crates.
constexpr int kFreezeBudget = 64;
// Pushes and bounds are 16-bit in a node.
constexpr std::uint32_t kMaxPushes = 0xFFF0;

// What a search looks for.
enum class Mode {
    Pushes,  // fewest pushes (A*, positions up to the robot's area)
    Moves,   // fewest moves among a given number of pushes (A*, exact robot cells)
    Greedy,  // any solution, the position with the lowest bound first
};

struct Push {
    int cell;  // where the crate stands before the push
    int dir;
};

struct Outcome {
    Status status = Status::Unknown;
    StopReason stop = StopReason::None;
    std::vector<Push> pushes;
    std::uint32_t moveCount = 0;  // counted by the exact search only
    std::uint64_t states = 0;
    std::size_t peakBytes = 0;
};

// Only solutions within these are looked for: at most `pushes` pushes and, for the moves
// search, fewer than `moves` moves. The greedy search weighs the bound by `weight`
// against the pushes made (0: the bound alone).
struct Bounds {
    std::uint32_t pushes = kMaxPushes;
    std::uint32_t moves = 0xFFFFFFFFu;
    std::uint32_t weight = 0;
};

struct Budget {
    const Stopwatch* clock = nullptr;
    double deadline = 0;  // seconds since start; 0: none
    std::size_t memoryBytes = 0;
    const std::atomic<bool>* cancel = nullptr;
    const std::function<void(const Progress&)>* progress = nullptr;
    std::uint64_t statesBefore = 0;  // positions of an earlier search, for progress
};

template <int W, Mode M>
class Search {
    static constexpr bool Exact = M == Mode::Moves;

  public:
    Search(const PushLevel& level, const Budget& budget, const Bounds& bounds)
        : level_(level),
          budget_(budget),
          bounds_(bounds),
          pushLimit_(bounds.pushes),
          moveLimit_(bounds.moves),
          open_(/*highestSecondFirst=*/M == Mode::Pushes) {
        const auto n = static_cast<std::size_t>(level.cellCount);
        occupied_.assign(n, 0);
        fixed_.assign(n, 0);
        inGroup_.assign(n, 0);
        distance_.assign(n, 0);
        stamp_.assign(n, 0);
        areaStamp_.assign(n, 0);
        zone_.assign(n, 0);
        crateRow_.assign(n, -1);

        for (int t : level.targets) setBit(targetBits_, t);
        targets_ = static_cast<int>(level.targets.size());
    }

    Outcome run();

  private:
    using NodeT = Node<W>;

    std::size_t bytesInUse() const {
        return nodes_.bytes() + open_.bytes() + costs_.capacity() * sizeof(int) + savedBytes_ +
               reachCache_.size() * (static_cast<std::size_t>(level_.cellCount) *
                                         ((level_.targets.size() + 63) / 64) * 8 +
                                     64);
    }
    // Whether `extra` more bytes fit the memory limit; notes the peak.
    bool fits(std::size_t extra) {
        const std::size_t total = bytesInUse() + extra;
        if (total > budget_.memoryBytes) {
            stop_ = StopReason::Memory;
            return false;
        }
        peakBytes_ = std::max(peakBytes_, total);
        return true;
    }

    bool enqueue(std::uint32_t index) {
        if (!fits(2 * sizeof(std::uint32_t) + 64)) return false;
        const NodeT& n = nodes_[index];
        if (M == Mode::Greedy) {
            // Pure greedy: the lowest bound first, then the fewest pushes. Weighted: the
            // lowest pushes + weight * bound.
            if (bounds_.weight == 0) {
                open_.push(n.bound, n.pushes, index);
            } else {
                open_.push(std::uint32_t{n.pushes} + bounds_.weight * std::uint32_t{n.bound},
                           n.pushes, index);
            }
        } else {
            const std::uint32_t f = std::uint32_t{n.pushes} + n.bound;
            open_.push(f, Exact ? n.moves - n.pushes : n.pushes, index);
        }
        return true;
    }
    // Stores a new node; kNoNode when memory ran out.
    std::uint32_t store(const NodeT& node, std::uint64_t hash) {
        if (nodes_.full() || !fits(nodes_.growthBytes())) {
            stop_ = StopReason::Memory;
            return kNoNode;
        }
        return nodes_.add(node, hash);
    }

    // In the robot's area: walked by walkFrom() for the moves search, flooded by
    // floodArea() otherwise.
    bool reached(int cell) const {
        if (Exact) return stamp_[static_cast<std::size_t>(cell)] == walkStamp_;
        return (area_[cell >> 6] >> (cell & 63)) & 1u;
    }
    // The cells reachable from `from` over the cells of `free`, into `area`.
    void flood(int from, const std::uint64_t* free, std::uint64_t* area) const;
    // Robot distances from `from` over cells free of crates (distance_, valid where
    // reached()); lowestReached_ is the first cell of the area.
    void walkFrom(int from);
    int areaFirstCell(int from, const std::uint64_t* crates) const;

    bool frozen(int cell, bool& offTarget);
    bool heldOnAxis(int cell, int axis, bool& offTarget);
    bool freezeDeadlock(int cell) {
        freezeBudget_ = kFreezeBudget;
        frozenGroup_.clear();
        bool offTarget = false;
        if (!frozen(cell, offTarget)) return false;
        return offTarget || frozenTargetsDeadlock();
    }
    bool frozenTargetsDeadlock();
    bool assign(int crate, int depth);

    void labelCorrals(const std::uint64_t* crates, const std::uint64_t* free);
    bool piCorral();
    bool locallyJoined(int cell, int zone) const;
    int childAreaFirstCell(int cell, int to, const std::uint64_t* crates);
    bool corralPushes(int component, std::vector<Push>& pushes);

    void fillCosts(const int* cells, int count);
    bool expand(std::uint32_t index);
    bool tryPush(std::uint32_t parentIndex, const NodeT& parent, int crate, int cell, int dir);
    bool limitsReached();
    std::vector<Push> pushesTo(std::uint32_t goal);

    const PushLevel& level_;
    const Budget& budget_;
    const Bounds bounds_;
    const std::uint32_t pushLimit_;
    const std::uint32_t moveLimit_;

    NodeStore<NodeT> nodes_;
    BucketQueue open_;
    std::uint64_t targetBits_[W] = {};
    int targets_ = 0;

    std::vector<std::uint8_t> occupied_, fixed_;
    std::vector<int> distance_;
    std::vector<std::uint32_t> stamp_, areaStamp_;
    std::uint32_t walkStamp_ = 0, areaCount_ = 0;
    std::vector<int> queue_;
    std::uint64_t area_[W] = {};  // the robot's area (not for the moves search)
    std::vector<int> crateCells_, rowOrder_;
    std::vector<int> costs_;
    Matching matching_;
    // Assignments of recently expanded positions, by node index.
    struct SavedMatching {
        std::uint32_t node = kNoNode;
        std::vector<int> cells;
        Matching::Saved solution;
    };
    std::vector<SavedMatching> savedMatchings_ = std::vector<SavedMatching>(kFirstSavedMatchings);
    std::size_t savedBytes_ = kFirstSavedMatchings * sizeof(SavedMatching);
    int parentBound_ = 0;
    int freezeBudget_ = 0;
    std::vector<int> frozenGroup_, loose_, owner_;
    std::vector<std::uint8_t> walled_, inGroup_, visitedTarget_;
    std::vector<std::uint32_t> stampScratch_;
    // Per frozen group: for each cell, the targets a lone crate there can still reach.
    using GroupKey = std::array<std::uint64_t, W>;
    struct GroupHash {
        std::size_t operator()(const GroupKey& key) const {
            std::uint64_t h = 0;
            for (const std::uint64_t word : key) h = (h ^ word) * 0x9E3779B97F4A7C15ull;
            return static_cast<std::size_t>(h ^ (h >> 29));
        }
    };
    std::unordered_map<GroupKey, std::vector<std::uint64_t>, GroupHash> reachCache_;
    const std::vector<std::uint64_t>* looseMasks_ = nullptr;
    std::size_t maskWords_ = 1;

    // PI-corral analysis: components of the free cells the robot cannot reach.
    static constexpr int kCrateZone = -1, kAreaZone = -2;
    std::vector<int> zone_, componentFirst_, crateRow_;
    std::vector<std::uint64_t> crateZones_;
    int areaFirst_ = 0, areaSecond_ = 0;  // the first two cells of the robot's area
    std::vector<Push> corralPushes_, candidatePushes_;

    StopReason stop_ = StopReason::None;
    std::size_t peakBytes_ = 0;
    std::uint64_t expanded_ = 0;
    std::uint32_t depth_ = 0;
    double lastProgress_ = 0;
};

template <int W, Mode M>
void Search<W, M>::walkFrom(int from) {
    ++walkStamp_;
    queue_.clear();
    queue_.push_back(from);
    stamp_[static_cast<std::size_t>(from)] = walkStamp_;
    distance_[static_cast<std::size_t>(from)] = 0;
    for (std::size_t head = 0; head < queue_.size(); ++head) {
        const int cell = queue_[head];
        const auto& next = level_.neighbour[static_cast<std::size_t>(cell)];
        for (int d = 0; d < kDirections; ++d) {
            const int to = next[static_cast<std::size_t>(d)];
            if (to == kNone || occupied_[static_cast<std::size_t>(to)] ||
                stamp_[static_cast<std::size_t>(to)] == walkStamp_)
                continue;
            stamp_[static_cast<std::size_t>(to)] = walkStamp_;
            distance_[static_cast<std::size_t>(to)] = distance_[static_cast<std::size_t>(cell)] + 1;
            queue_.push_back(to);
        }
    }
}

template <int W, Mode M>
void Search<W, M>::flood(int from, const std::uint64_t* free, std::uint64_t* area) const {
    std::uint64_t frontier[W] = {};
    setBit(frontier, from);
    for (int w = 0; w < W; ++w) area[w] = frontier[w];
    const std::uint64_t* neighbours = level_.neighbourBits.data();
    for (;;) {
        std::uint64_t next[W] = {};
        for (int w = 0; w < W; ++w)
            for (std::uint64_t bits = frontier[w]; bits != 0; bits &= bits - 1) {
                const std::uint64_t* around =
                    neighbours + static_cast<std::size_t>(w * 64 + __builtin_ctzll(bits)) * W;
                for (int v = 0; v < W; ++v) next[v] |= around[v];
            }
        std::uint64_t grown = 0;
        for (int w = 0; w < W; ++w) {
            next[w] &= free[w] & ~area[w];
            area[w] |= next[w];
            frontier[w] = next[w];
            grown |= next[w];
        }
        if (grown == 0) return;
    }
}

// The first cell of the area reachable from `from` among `crates`.
template <int W, Mode M>
int Search<W, M>::areaFirstCell(int from, const std::uint64_t* crates) const {
    std::uint64_t free[W], area[W];
    for (int w = 0; w < W; ++w) free[w] = level_.allBits[static_cast<std::size_t>(w)] & ~crates[w];
    flood(from, free, area);
    for (int w = 0; w < W; ++w)
        if (area[w] != 0) return w * 64 + __builtin_ctzll(area[w]);
    return from;
}

// Freeze deadlocks. A crate is frozen when it cannot move along either axis: along an axis
// it is held by a wall on either side, by dead squares on both sides, or by a frozen crate
// on either side (judged with this crate standing still). A group of crates found frozen
// this way can never move without a deadlock, since none of them can be the first to
// move; if one of them stands off a target, the position is lost. A crate whose group
// turns out not frozen contributes nothing.
template <int W, Mode M>
bool Search<W, M>::frozen(int cell, bool& offTarget) {
    if (--freezeBudget_ < 0) return false;
    const std::size_t members = frozenGroup_.size();
    fixed_[static_cast<std::size_t>(cell)] = 1;
    bool group = false;
    const bool result = heldOnAxis(cell, 0, group) && heldOnAxis(cell, 1, group);
    fixed_[static_cast<std::size_t>(cell)] = 0;
    if (!result) {
        frozenGroup_.resize(members);
        return false;
    }
    frozenGroup_.push_back(cell);
    if (group || !level_.isTarget[static_cast<std::size_t>(cell)]) offTarget = true;
    return true;
}

// A group of crates frozen on targets never moves again: with its cells as walls, the
// other crates must still find targets of their own. Whether they can, ignoring each
// other and the robot's way around, is a matching of crates to the targets they can
// reach; when there is none, the position is lost. What each cell reaches depends only on
// the group, so it is kept for groups seen before.
template <int W, Mode M>
bool Search<W, M>::frozenTargetsDeadlock() {
    const auto n = static_cast<std::size_t>(level_.cellCount);
    const std::size_t words = (level_.targets.size() + 63) / 64;
    GroupKey key{};
    for (const int cell : frozenGroup_) setBit(key.data(), cell);
    auto found = reachCache_.find(key);
    if (found == reachCache_.end()) {
        if (reachCache_.size() >= kReachCacheGroups) reachCache_.clear();
        std::vector<std::uint64_t> masks(n * words, 0);
        walled_.assign(n, 0);
        for (const int cell : frozenGroup_) walled_[static_cast<std::size_t>(cell)] = 1;
        std::vector<std::uint32_t>& seen = stampScratch_;
        seen.assign(n, 0);
        std::uint32_t mark = 0;
        for (std::size_t t = 0; t < level_.targets.size(); ++t) {
            const int target = level_.targets[t];
            if (walled_[static_cast<std::size_t>(target)]) continue;
            ++mark;
            queue_.assign(1, target);
            seen[static_cast<std::size_t>(target)] = mark;
            for (std::size_t head = 0; head < queue_.size(); ++head) {
                const int to = queue_[head];
                masks[static_cast<std::size_t>(to) * words + t / 64] |= std::uint64_t{1}
                                                                        << (t % 64);
                for (int d = 0; d < kDirections; ++d) {
                    const int from = level_.neighbour[static_cast<std::size_t>(to)]
                                                     [static_cast<std::size_t>(opposite(d))];
                    if (from == kNone || walled_[static_cast<std::size_t>(from)] ||
                        seen[static_cast<std::size_t>(from)] == mark)
                        continue;
                    const int pusher = level_.neighbour[static_cast<std::size_t>(from)]
                                                       [static_cast<std::size_t>(opposite(d))];
                    if (pusher == kNone || walled_[static_cast<std::size_t>(pusher)]) continue;
                    seen[static_cast<std::size_t>(from)] = mark;
                    queue_.push_back(from);
                }
            }
        }
        found = reachCache_.emplace(key, std::move(masks)).first;
    }
    const std::vector<std::uint64_t>& masks = found->second;

    // Augmenting paths (Kuhn): every loose crate needs a target of its own.
    for (const int cell : frozenGroup_) inGroup_[static_cast<std::size_t>(cell)] = 1;
    loose_.clear();
    for (std::size_t c = 0; c < n; ++c)
        if (occupied_[c] && !inGroup_[c]) loose_.push_back(static_cast<int>(c));
    for (const int cell : frozenGroup_) inGroup_[static_cast<std::size_t>(cell)] = 0;
    looseMasks_ = &masks;
    maskWords_ = words;
    owner_.assign(level_.targets.size(), -1);
    for (std::size_t i = 0; i < loose_.size(); ++i) {
        visitedTarget_.assign(level_.targets.size(), 0);
        if (!assign(static_cast<int>(i), 0)) return true;
    }
    return false;
}

template <int W, Mode M>
bool Search<W, M>::assign(int crate, int depth) {
    if (depth > static_cast<int>(loose_.size())) return false;
    const std::uint64_t* mask =
        &(*looseMasks_)[static_cast<std::size_t>(loose_[static_cast<std::size_t>(crate)]) *
                        maskWords_];
    for (std::size_t w = 0; w < maskWords_; ++w) {
        for (std::uint64_t bits = mask[w]; bits != 0; bits &= bits - 1) {
            const std::size_t ti = w * 64 + static_cast<std::size_t>(__builtin_ctzll(bits));
            if (visitedTarget_[ti]) continue;
            visitedTarget_[ti] = 1;
            if (owner_[ti] < 0 || assign(owner_[ti], depth + 1)) {
                owner_[ti] = crate;
                return true;
            }
        }
    }
    return false;
}

template <int W, Mode M>
bool Search<W, M>::heldOnAxis(int cell, int axis, bool& offTarget) {
    const auto& next = level_.neighbour[static_cast<std::size_t>(cell)];
    const int a = next[static_cast<std::size_t>(axis)];
    const int b = next[static_cast<std::size_t>(axis + 2)];
    if (a == kNone || b == kNone) return true;
    const auto ai = static_cast<std::size_t>(a);
    const auto bi = static_cast<std::size_t>(b);
    if (fixed_[ai] || fixed_[bi]) return true;
    if (level_.isDead[ai] && level_.isDead[bi]) return true;
    if (occupied_[ai] && frozen(a, offTarget)) return true;
    if (occupied_[bi] && frozen(b, offTarget)) return true;
    return false;
}

// PI-corral pruning. A corral is a set Z of free cells the robot cannot reach, closed
// under adjacency of free cells, with its barrier X: the crates next to Z. Until a crate
// of X moves, the robot never enters Z and no other crate gets next to it. Z with X is a
// PI-corral when
//   I: no crate of X can ever be pushed anywhere but into Z before some crate of X has
//      moved (the push is blocked by walls, crates of X or cells of Z), and
//   P: every push of a crate of X into Z that could happen before then is possible now.
// If a crate of X stands off a target, every solution pushes a crate of X some time, and
// the first such push can be made first without changing the number of pushes or the
// position reached afterwards. So only the pushes of X into Z need to be tried; and when
// there are none, the position is lost.
template <int W, Mode M>
bool Search<W, M>::corralPushes(int component, std::vector<Push>& pushes) {
    // component < 0: every unreachable free cell.
    auto inZ = [&](int cell) {
        const int zone = zone_[static_cast<std::size_t>(cell)];
        return component < 0 ? zone >= 0 : zone == component;
    };
    auto inX = [&](int crate) {
        const std::uint64_t touches = crateZones_[static_cast<std::size_t>(crate)];
        return component < 0 ? touches != 0 : ((touches >> component) & 1u) != 0;
    };
    bool offTarget = false;
    for (int i = 0; i < static_cast<int>(crateCells_.size()) && !offTarget; ++i)
        if (inX(i) &&
            !level_.isTarget[static_cast<std::size_t>(crateCells_[static_cast<std::size_t>(i)])])
            offTarget = true;
    if (!offTarget) return false;
    auto barrierAt = [&](int cell) {
        const int crate = crateRow_[static_cast<std::size_t>(cell)];
        return crate >= 0 && inX(crate);
    };
    pushes.clear();
    for (int i = 0; i < static_cast<int>(crateCells_.size()); ++i) {
        if (!inX(i)) continue;
        const int crate = crateCells_[static_cast<std::size_t>(i)];
        const auto& next = level_.neighbour[static_cast<std::size_t>(crate)];
        for (int d = 0; d < kDirections; ++d) {
            const int to = next[static_cast<std::size_t>(d)];
            const int from = next[static_cast<std::size_t>(opposite(d))];
            if (to == kNone || from == kNone) continue;
            const int toZone = zone_[static_cast<std::size_t>(to)];
            const int fromZone = zone_[static_cast<std::size_t>(from)];
            if (fromZone == kCrateZone) {
                // The robot's cell is held by a crate: for good if it belongs to X.
                if (barrierAt(from) || (toZone == kCrateZone && barrierAt(to))) continue;
                return false;
            }
            if (inZ(from)) continue;  // the robot would have to be inside already
            if (toZone == kCrateZone) {
                if (barrierAt(to)) continue;
                return false;  // blocked only until that crate moves
            }
            if (!inZ(to) || fromZone != kAreaZone) return false;
            pushes.push_back({crate, d});
        }
    }
    return true;
}

// Sorts every cell into zones: a crate, the robot's area, or a component of the free cells
// the robot cannot reach (numbered from 0, componentFirst_ holding the first cell of
// each); and notes for each crate the components next to it.
template <int W, Mode M>
void Search<W, M>::labelCorrals(const std::uint64_t* crates, const std::uint64_t* free) {
    auto mark = [&](const std::uint64_t* cells, int zone) {
        for (int w = 0; w < W; ++w)
            for (std::uint64_t bits = cells[w]; bits != 0; bits &= bits - 1)
                zone_[static_cast<std::size_t>(w * 64 + __builtin_ctzll(bits))] = zone;
    };
    mark(crates, kCrateZone);
    mark(area_, kAreaZone);
    std::uint64_t rest[W];
    for (int w = 0; w < W; ++w) rest[w] = free[w] & ~area_[w];
    componentFirst_.clear();
    for (int w = 0; w < W; ++w) {
        while (rest[w] != 0) {
            const int first = w * 64 + __builtin_ctzll(rest[w]);
            std::uint64_t component[W];
            flood(first, rest, component);
            mark(component, static_cast<int>(componentFirst_.size()));
            componentFirst_.push_back(first);
            for (int v = 0; v < W; ++v) rest[v] &= ~component[v];
        }
    }
    crateZones_.assign(crateCells_.size(), 0);
    for (std::size_t i = 0; i < crateCells_.size(); ++i) {
        crateRow_[static_cast<std::size_t>(crateCells_[i])] = static_cast<int>(i);
        for (const int to : level_.neighbour[static_cast<std::size_t>(crateCells_[i])]) {
            if (to == kNone) continue;
            const int zone = zone_[static_cast<std::size_t>(to)];
            // Components beyond the 64th count as touching every crate: always safe.
            if (zone >= 0)
                crateZones_[i] |= zone < 64 ? std::uint64_t{1} << zone : ~std::uint64_t{0};
        }
    }
}

// Finds the PI-corral with the fewest pushes, if any, into corralPushes_ (after
// labelCorrals()).
template <int W, Mode M>
bool Search<W, M>::piCorral() {
    const int components = static_cast<int>(componentFirst_.size());
    if (components == 0) return false;
    bool found = false;
    for (int k = components > 1 ? -1 : 0; k < std::min(components, 64); ++k) {
        if (!corralPushes(k, candidatePushes_)) continue;
        if (!found || candidatePushes_.size() < corralPushes_.size()) {
            corralPushes_.swap(candidatePushes_);
            found = true;
            if (corralPushes_.empty()) break;
        }
    }
    return found;
}

// Whether taking `cell` out of its zone (the robot's area or a component) keeps the rest of
// the zone together, judged from the eight cells around it: true when its neighbours in
// the zone are joined by a run of zone cells around it. False may also mean "cannot tell".
template <int W, Mode M>
bool Search<W, M>::locallyJoined(int cell, int zone) const {
    const auto& ring = level_.ring[static_cast<std::size_t>(cell)];
    bool in[8];
    int firstOut = -1;
    for (int k = 0; k < 8; ++k) {
        const int c = ring[static_cast<std::size_t>(k)];
        in[k] = c != kNone && zone_[static_cast<std::size_t>(c)] == zone;
        if (!in[k] && firstOut < 0) firstOut = k;
    }
    if (firstOut < 0) return true;
    // Walk once around from a cell outside the zone, counting runs that hold a neighbour.
    int runs = 0;
    bool inRun = false, runCounts = false;
    for (int step = 1; step <= 8; ++step) {
        const int k = (firstOut + step) & 7;
        if (in[k]) {
            if (!inRun) {
                inRun = true;
                runCounts = false;
            }
            if ((k & 1) == 0 && !runCounts) {
                runCounts = true;
                if (++runs > 1) return false;
            }
        } else {
            inRun = false;
        }
    }
    return true;
}

// The first cell of the robot's area after the crate at `cell` went to `to` and the robot
// took its place (zones as before the push). The freed cell joins the area (the robot
// pushed from it) and every zone next to it. The zone `to` lay in loses `to`: when the
// rest of it stays together and `to` was not its first cell, the answer follows from the
// zones' first cells; otherwise the area is walked anew.
template <int W, Mode M>
int Search<W, M>::childAreaFirstCell(int cell, int to, const std::uint64_t* crates) {
    const int toZone = zone_[static_cast<std::size_t>(to)];
    const bool inArea = toZone == kAreaZone;
    bool toZoneJoins = inArea;
    int first = std::min(inArea && to == areaFirst_ ? areaSecond_ : areaFirst_, cell);
    for (const int side : level_.neighbour[static_cast<std::size_t>(cell)]) {
        if (side == kNone || side == to) continue;
        const int zone = zone_[static_cast<std::size_t>(side)];
        if (zone == toZone) {
            toZoneJoins = true;
        } else if (zone >= 0) {
            first = std::min(first, componentFirst_[static_cast<std::size_t>(zone)]);
        }
    }
    if (!toZoneJoins) return first;
    if (locallyJoined(to, toZone) &&
        (inArea || to != componentFirst_[static_cast<std::size_t>(toZone)])) {
        return inArea ? first : std::min(first, componentFirst_[static_cast<std::size_t>(toZone)]);
    }
    return areaFirstCell(cell, crates);
}

template <int W, Mode M>
void Search<W, M>::fillCosts(const int* cells, int count) {
    const auto m = static_cast<std::size_t>(targets_);
    costs_.resize(static_cast<std::size_t>(count) * m);
    for (int i = 0; i < count; ++i)
        std::copy_n(level_.costRow(cells[i]), m,
                    costs_.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(i) * m));
}

// Generates the pushes from node `index`. False when memory ran out.
template <int W, Mode M>
bool Search<W, M>::expand(std::uint32_t index) {
    const NodeT parent = nodes_[index];
    // The assignment: from the one of the position this was reached from, when that is
    // still kept (one crate moved: one row changed), or afresh. The rows keep the order of
    // the solution they come from.
    // The kept assignments grow with the search (one for every few positions), starting
    // afresh each time.
    if (savedMatchings_.size() < kMostSavedMatchings &&
        nodes_.size() > 4 * savedMatchings_.size()) {
        savedBytes_ += 3 * savedMatchings_.size() * sizeof(SavedMatching);
        savedMatchings_.assign(4 * savedMatchings_.size(), SavedMatching{});
    }
    SavedMatching& from = savedMatchings_[parent.parent % savedMatchings_.size()];
    int changedRow = -1;
    if (parent.parent != index && from.node == parent.parent) {
        const NodeT& before = nodes_[parent.parent];
        int left = kNone, arrived = kNone;
        for (int w = 0; w < W; ++w) {
            const std::uint64_t gone = before.crates[w] & ~parent.crates[w];
            const std::uint64_t came = parent.crates[w] & ~before.crates[w];
            if (gone) left = w * 64 + __builtin_ctzll(gone);
            if (came) arrived = w * 64 + __builtin_ctzll(came);
        }
        crateCells_ = from.cells;
        for (std::size_t i = 0; i < crateCells_.size(); ++i)
            if (crateCells_[i] == left) {
                crateCells_[i] = arrived;
                changedRow = static_cast<int>(i);
            }
    }
    if (changedRow < 0) {
        crateCells_.clear();
        for (int w = 0; w < W; ++w)
            for (std::uint64_t bits = parent.crates[w]; bits != 0; bits &= bits - 1)
                crateCells_.push_back(w * 64 + __builtin_ctzll(bits));
    }
    for (const int cell : crateCells_) occupied_[static_cast<std::size_t>(cell)] = 1;
    const int crates = static_cast<int>(crateCells_.size());
    fillCosts(crateCells_.data(), crates);
    parentBound_ = changedRow >= 0
                       ? matching_.resume(costs_, crates, targets_, from.solution, changedRow)
                       : matching_.solve(costs_, crates, targets_);
    SavedMatching& mine = savedMatchings_[index % savedMatchings_.size()];
    if (mine.node == kNoNode)
        savedBytes_ += sizeof(std::uint64_t) *
                       (crateCells_.size() + 3 * static_cast<std::size_t>(targets_) + 8);
    mine.node = index;
    mine.cells = crateCells_;
    matching_.save(mine.solution);
    bool ok = true;
    if (Exact) {
        walkFrom(parent.robot);
    } else {
        std::uint64_t free[W];
        for (int w = 0; w < W; ++w)
            free[w] = level_.allBits[static_cast<std::size_t>(w)] & ~parent.crates[w];
        flood(parent.robot, free, area_);
        areaFirst_ = areaSecond_ = level_.cellCount;
        int found = 0;
        for (int w = 0; w < W && found < 2; ++w)
            for (std::uint64_t bits = area_[w]; bits != 0 && found < 2; bits &= bits - 1) {
                (found++ == 0 ? areaFirst_ : areaSecond_) = w * 64 + __builtin_ctzll(bits);
            }
        labelCorrals(parent.crates, free);
    }
    if (!Exact && piCorral()) {
        for (const Push& push : corralPushes_) {
            const auto it = std::find(crateCells_.begin(), crateCells_.end(), push.cell);
            const int crate = static_cast<int>(it - crateCells_.begin());
            if (!tryPush(index, parent, crate, push.cell, push.dir)) {
                ok = false;
                break;
            }
        }
    } else {
        // Crates in the order of their cells, whatever the order of their rows.
        rowOrder_.resize(static_cast<std::size_t>(crates));
        for (int i = 0; i < crates; ++i) rowOrder_[static_cast<std::size_t>(i)] = i;
        std::sort(rowOrder_.begin(), rowOrder_.end(), [&](int a, int b) {
            return crateCells_[static_cast<std::size_t>(a)] <
                   crateCells_[static_cast<std::size_t>(b)];
        });
        for (int k = 0; k < crates && ok; ++k) {
            const int i = rowOrder_[static_cast<std::size_t>(k)];
            for (int d = 0; d < kDirections && ok; ++d)
                ok = tryPush(index, parent, i, crateCells_[static_cast<std::size_t>(i)], d);
        }
    }
    for (int i = 0; i < crates; ++i)
        occupied_[static_cast<std::size_t>(crateCells_[static_cast<std::size_t>(i)])] = 0;
    return ok;
}

// One push of the crate in row `crate` of the matching, standing at `cell`.
template <int W, Mode M>
bool Search<W, M>::tryPush(std::uint32_t parentIndex, const NodeT& parent, int crate, int cell,
                           int dir) {
    const auto& next = level_.neighbour[static_cast<std::size_t>(cell)];
    const int to = next[static_cast<std::size_t>(dir)];
    const int from = next[static_cast<std::size_t>(opposite(dir))];
    if (to == kNone || from == kNone || occupied_[static_cast<std::size_t>(to)] ||
        level_.isDead[static_cast<std::size_t>(to)] || !reached(from))
        return true;

    const std::uint32_t pushes = parent.pushes + 1u;
    const std::uint32_t moves =
        parent.moves + static_cast<std::uint32_t>(distance_[static_cast<std::size_t>(from)]) + 1u;

    NodeT child;
    std::memcpy(child.crates, parent.crates, sizeof(child.crates));
    clearBit(child.crates, cell);
    setBit(child.crates, to);

    occupied_[static_cast<std::size_t>(cell)] = 0;
    occupied_[static_cast<std::size_t>(to)] = 1;
    const bool dead = freezeDeadlock(to);
    occupied_[static_cast<std::size_t>(to)] = 0;
    occupied_[static_cast<std::size_t>(cell)] = 1;
    if (dead) return true;
    child.robot =
        static_cast<std::uint16_t>(Exact ? cell : childAreaFirstCell(cell, to, child.crates));

    const std::uint64_t hash = child.hash();
    const std::uint32_t found = nodes_.find(child, hash);
    if (found != kNoNode) {
        NodeT& known = nodes_[found];
        if (known.closed || known.pushes < pushes ||
            (known.pushes == pushes && (!Exact || known.moves <= moves)))
            return true;
        known.pushes = static_cast<std::uint16_t>(pushes);
        known.moves = moves;
        known.parent = parentIndex;
        return enqueue(found);
    }

    // The bound: one push changes one row of the assignment. When the crate came one push
    // closer to the target it had, the parent's assignment shows the bound fell by one,
    // the most it can fall.
    int bound = 0;
    const int column = matching_.columnOf(crate);
    const std::uint16_t toAssigned = level_.pushDistance(column, to);
    const std::uint16_t fromAssigned = level_.pushDistance(column, cell);
    if (toAssigned != kUnreachable && fromAssigned != kUnreachable &&
        toAssigned + 1 == fromAssigned) {
        bound = parentBound_ - 1;
    } else {
        bound = matching_.rowChanged(crate, level_.costRow(to));
    }
    if (bound >= Matching::kForbidden) return true;
    if (Exact && moves + static_cast<std::uint32_t>(bound) >= moveLimit_) return true;
    if (pushes + static_cast<std::uint32_t>(bound) > pushLimit_) {
        if (pushLimit_ >= kMaxPushes) {
            stop_ = StopReason::Memory;  // beyond what a node can count
            return false;
        }
        return true;
    }

    child.parent = parentIndex;
    child.moves = moves;
    child.pushes = static_cast<std::uint16_t>(pushes);
    child.bound = static_cast<std::uint16_t>(bound);
    child.closed = 0;
    const std::uint32_t added = store(child, hash);
    return added != kNoNode && enqueue(added);
}

template <int W, Mode M>
bool Search<W, M>::limitsReached() {
    if (budget_.cancel && budget_.cancel->load(std::memory_order_relaxed)) {
        stop_ = StopReason::Cancelled;
        return true;
    }
    const double now = budget_.clock->seconds();
    if (budget_.deadline > 0 && now >= budget_.deadline) {
        stop_ = StopReason::Time;
        return true;
    }
    if (budget_.progress && *budget_.progress && now - lastProgress_ >= 0.25) {
        lastProgress_ = now;
        (*budget_.progress)(
            Progress{budget_.statesBefore + nodes_.size(), static_cast<int>(depth_), now});
    }
    return false;
}

template <int W, Mode M>
std::vector<Push> Search<W, M>::pushesTo(std::uint32_t goal) {
    std::vector<std::uint32_t> chain;
    for (std::uint32_t at = goal;; at = nodes_[at].parent) {
        chain.push_back(at);
        if (nodes_[at].parent == at) break;
    }
    std::reverse(chain.begin(), chain.end());
    std::vector<Push> pushes;
    for (std::size_t k = 1; k < chain.size(); ++k) {
        const NodeT& before = nodes_[chain[k - 1]];
        const NodeT& after = nodes_[chain[k]];
        int from = kNone, to = kNone;
        for (int w = 0; w < W; ++w) {
            const std::uint64_t left = before.crates[w] & ~after.crates[w];
            const std::uint64_t arrived = after.crates[w] & ~before.crates[w];
            if (left) from = w * 64 + __builtin_ctzll(left);
            if (arrived) to = w * 64 + __builtin_ctzll(arrived);
        }
        int dir = 0;
        while (level_.neighbour[static_cast<std::size_t>(from)][static_cast<std::size_t>(dir)] !=
               to)
            ++dir;
        pushes.push_back({from, dir});
    }
    return pushes;
}

template <int W, Mode M>
Outcome Search<W, M>::run() {
    Outcome outcome;
    NodeT root{};
    for (int c : level_.crates) setBit(root.crates, c);
    for (int c : level_.crates) occupied_[static_cast<std::size_t>(c)] = 1;
    root.robot =
        static_cast<std::uint16_t>(Exact ? level_.robot : areaFirstCell(level_.robot, root.crates));
    fillCosts(level_.crates.data(), static_cast<int>(level_.crates.size()));
    const int bound = matching_.solve(costs_, static_cast<int>(level_.crates.size()), targets_);
    for (int c : level_.crates) occupied_[static_cast<std::size_t>(c)] = 0;
    if (bound >= Matching::kForbidden) {
        outcome.status = Status::Unsolvable;
        return outcome;
    }
    if (Exact && static_cast<std::uint32_t>(bound) >= moveLimit_) {
        outcome.status = Status::Unsolvable;  // nothing beats the limit
        return outcome;
    }
    if (static_cast<std::uint32_t>(bound) > pushLimit_) {
        outcome.stop = StopReason::Memory;
        return outcome;
    }
    root.bound = static_cast<std::uint16_t>(bound);
    root.parent = 0;
    const std::uint32_t rootIndex = store(root, root.hash());
    if (rootIndex == kNoNode || !enqueue(rootIndex)) {
        outcome.stop = stop_;
        outcome.peakBytes = peakBytes_;
        return outcome;
    }

    while (!open_.empty()) {
        std::uint32_t f = 0;
        const std::uint32_t index = open_.pop(f);
        NodeT& current = nodes_[index];
        if (current.closed) continue;
        current.closed = 1;
        depth_ = f;

        bool solved = true;
        for (int w = 0; w < W; ++w)
            if (current.crates[w] & ~targetBits_[w]) solved = false;
        if (solved) {
            outcome.status = Status::Solved;
            outcome.pushes = pushesTo(index);
            outcome.moveCount = current.moves;
            break;
        }
        if ((++expanded_ & 63) == 0 && limitsReached()) break;
        if (!expand(index)) break;
    }
    if (outcome.status != Status::Solved && stop_ == StopReason::None)
        outcome.status = Status::Unsolvable;
    outcome.stop = outcome.status == Status::Unknown ? stop_ : StopReason::None;
    outcome.states = nodes_.size();
    outcome.peakBytes = peakBytes_;
    return outcome;
}

template <Mode M>
Outcome search(const PushLevel& level, const Budget& budget, const Bounds& bounds) {
    switch ((level.cellCount + 63) / 64) {
        case 1:
            return Search<1, M>(level, budget, bounds).run();
        case 2:
            return Search<2, M>(level, budget, bounds).run();
        case 3:
            return Search<3, M>(level, budget, bounds).run();
        case 4:
            return Search<4, M>(level, budget, bounds).run();
        case 5:
            return Search<5, M>(level, budget, bounds).run();
        case 6:
            return Search<6, M>(level, budget, bounds).run();
        default:
            return Search<7, M>(level, budget, bounds).run();
    }
}

// The moves of a push sequence: before each push the shortest walk to the cell behind the
// crate (first steps left, up, right, down as they come).
std::string movesOf(const PushLevel& level, const std::vector<Push>& pushes) {
    const auto n = static_cast<std::size_t>(level.cellCount);
    std::vector<std::uint8_t> occupied(n, 0);
    for (int c : level.crates) occupied[static_cast<std::size_t>(c)] = 1;
    std::vector<int> via(n, -1);
    std::vector<int> queue;
    int robot = level.robot;
    std::string moves;
    for (const Push& push : pushes) {
        const int behind = level.neighbour[static_cast<std::size_t>(push.cell)]
                                          [static_cast<std::size_t>(opposite(push.dir))];
        std::fill(via.begin(), via.end(), -1);
        queue.assign(1, robot);
        via[static_cast<std::size_t>(robot)] = kDirections;
        for (std::size_t head = 0; head < queue.size() && via[static_cast<std::size_t>(behind)] < 0;
             ++head) {
            const int cell = queue[head];
            for (int d = 0; d < kDirections; ++d) {
                const int to =
                    level.neighbour[static_cast<std::size_t>(cell)][static_cast<std::size_t>(d)];
                if (to == kNone || occupied[static_cast<std::size_t>(to)] ||
                    via[static_cast<std::size_t>(to)] >= 0)
                    continue;
                via[static_cast<std::size_t>(to)] = d;
                queue.push_back(to);
            }
        }
        std::string walk;
        for (int cell = behind; cell != robot;) {
            const int d = via[static_cast<std::size_t>(cell)];
            walk += kStepLetter[d];
            cell = level.neighbour[static_cast<std::size_t>(cell)]
                                  [static_cast<std::size_t>(opposite(d))];
        }
        moves.append(walk.rbegin(), walk.rend());
        moves += kPushLetter[push.dir];
        const int to =
            level
                .neighbour[static_cast<std::size_t>(push.cell)][static_cast<std::size_t>(push.dir)];
        occupied[static_cast<std::size_t>(push.cell)] = 0;
        occupied[static_cast<std::size_t>(to)] = 1;
        robot = push.cell;
    }
    return moves;
}

}  // namespace
}  // namespace push

bool isPlainCrateLevel(const Board& board, std::string* why) {
    if (board.playerX >= kFieldSize || board.playerY >= kFieldSize) {
        if (why) *why = "the robot stands outside the field";
        return false;
    }
    for (int y = 0; y < kFieldSize; ++y)
        for (int x = 0; x < kFieldSize; ++x) {
            const std::uint8_t object = board.object(x, y);
            const std::uint8_t floor = board.floor(x, y);
            const char* what = nullptr;
            if (object != kEmpty && object != kWall && object != kCrate && object != kSteel)
                what = "an object other than a wall, a steel block or a crate";
            else if (floor != kFloorPlain && floor != kFloorTarget)
                what = "a floor mark other than a target";
            else if (board.robotAt(x, y) && object != kEmpty)
                what = "the robot and an object";
            if (what) {
                if (why)
                    *why =
                        "cell (" + std::to_string(x) + ", " + std::to_string(y) + ") holds " + what;
                return false;
            }
        }
    return true;
}

Result solvePushes(const Board& board, const Options& options) {
    return push::solvePushes(board, options, push::ClockKind::Wall);
}

namespace push {

Result solvePushes(const Board& board, const Options& options, ClockKind clockKind) {
    const Stopwatch clock(clockKind);
    Budget budget;
    budget.clock = &clock;
    budget.memoryBytes = options.memoryBytes;
    budget.cancel = options.cancel;
    budget.progress = &options.progress;
    const double limit = options.seconds;

    Result result;
    auto finish = [&]() -> Result {
        result.metric = Metric::Pushes;
        result.moveCount = static_cast<int>(result.moves.size());
        result.seconds = clock.seconds();
        return result;
    };
    auto account = [&](const push::Outcome& outcome) {
        result.states += outcome.states;
        result.peakBytes = std::max(result.peakBytes, outcome.peakBytes);
        budget.statesBefore = result.states;
    };
    if (!isPlainCrateLevel(board)) return finish();

    Board plain = board;
    for (std::uint8_t& object : plain.objectLayer)
        if (object == kSteel) object = kWall;
    const push::PushLevel level = push::buildPushLevel(plain);
    if (level.unsolvable) {
        result.status = Status::Unsolvable;
        return finish();
    }

    // Step 1: fewest pushes, within a share of the time limit.
    budget.deadline = limit > 0 ? limit * kOptimalShare : 0;
    const Outcome pushes = search<Mode::Pushes>(level, budget, {});
    account(pushes);
    result.status = pushes.status;
    result.stoppedBy = pushes.stop;
    if (pushes.status == Status::Unknown && pushes.stop != StopReason::Cancelled) {
        // Any solution, with the rest of the time: the lowest bound first, which is quick
        // where the bound leads straight on; then weighing pushes made against the bound,
        // which gets past places where it must first grow.
        for (const auto& [weight, share] : kGreedySteps) {
            budget.deadline = limit > 0 ? limit * share : 0;
            Bounds bounds;
            bounds.weight = weight;
            const Outcome any = search<Mode::Greedy>(level, budget, bounds);
            account(any);
            result.status = any.status;
            result.stoppedBy = any.stop;
            if (any.status == Status::Solved) {
                result.moves = movesOf(level, any.pushes);
                result.pushCount = static_cast<int>(any.pushes.size());
            }
            // Unsolvable: the same positions, pruned the same way, all explored.
            if (any.status != Status::Unknown || any.stop == StopReason::Cancelled) break;
        }
        return finish();
    }
    if (pushes.status != Status::Solved) return finish();
    result.optimal = true;
    result.moves = push::movesOf(level, pushes.pushes);
    result.pushCount = static_cast<int>(pushes.pushes.size());

    // Step 2: fewest moves among them, within a budget of its own.
    const double used = clock.seconds();
    budget.deadline =
        used + std::max(push::kMovesSearchMinimumSeconds, push::kMovesSearchShare * used);
    if (limit > 0) budget.deadline = std::min(budget.deadline, limit);
    // Only solutions with fewer moves than this one are looked for: when there is none,
    // this one is the best.
    push::Bounds bounds;
    bounds.pushes = static_cast<std::uint32_t>(result.pushCount);
    bounds.moves = static_cast<std::uint32_t>(result.moves.size());
    const push::Outcome moves = push::search<Mode::Moves>(level, budget, bounds);
    account(moves);
    if (moves.status == Status::Solved &&
        moves.pushes.size() == static_cast<std::size_t>(result.pushCount)) {
        result.moves = push::movesOf(level, moves.pushes);
        result.movesOptimal = true;
    } else if (moves.status == Status::Unsolvable) {
        result.movesOptimal = true;
    }
    return finish();
}

}  // namespace push
}  // namespace prismcrate::solver
