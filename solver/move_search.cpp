#include "solver/move_search.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <limits>
#include <stdexcept>

#include "game/moves.h"
#include "game/session.h"
#include "solver/estimate.h"
#include "solver/relaxed_map.h"
#include "solver/state_codec.h"
#include "solver/state_table.h"

namespace prismcrate::solver {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kKeys[] = {0, kKeyLeft, kKeyUp, kKeyRight, kKeyDown};
constexpr char kLetters[] = "?lurd";
// Expansions between two looks at the clock, the cancel flag and the progress callback.
constexpr int kCheckEvery = 256;
constexpr double kProgressEvery = 0.2;

double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Puts a position on the session's board: the only parts a key reads.
void place(Board& board, const Board& position) {
    board.objectLayer = position.objectLayer;
    board.floorLayer = position.floorLayer;
    board.playerX = position.playerX;
    board.playerY = position.playerY;
    board.playerDead = 0;
}

// Crates that can never move again in any solution. A crate is held on an axis when a
// neighbour on it is a cell nothing ever enters (or the field's edge), or a crate already
// held; or when both neighbours are cells from which no push ever brings a crate onto a
// target, so that moving along that axis loses the game anyway. A crate held on both axes,
// with every crate that holds it, never moves again: take the first of them to move; the
// others still stand where they were, so it is still held. Crates only ever move by
// pushes and outlast every blast, and cells that nothing enters stay as they are.
class FreezeCheck {
  public:
    FreezeCheck(const Board& board, const RelaxedMap& map) : board_(board), map_(map) {}

    // Whether the crate on `cell` can never move again while it or a crate holding it
    // stands off a target, so that the level can no longer be solved.
    bool frozenOffTarget(int cell) {
        bool offTarget = false;
        return frozen(cell, offTarget) && offTarget;
    }

  private:
    bool wall(int cell) const { return cell < 0 || map_.permanent(cell) || holding_[cell]; }
    bool dead(int cell) const { return cell < 0 || map_.crateDistance[cell] == kUnreachable; }
    bool crate(int cell) const { return cell >= 0 && board_.objectLayer[cell] == kCrate; }

    bool frozen(int cell, bool& offTarget) {
        holding_[cell] = true;  // held while its neighbours are looked at
        bool groupOff = board_.floorLayer[cell] != kFloorTarget;
        bool held = true;
        for (int dir = kLeft; dir <= kUp && held; ++dir) {
            const int a = neighbour(cell, dir);
            const int b = neighbour(cell, opposite(dir));
            held = wall(a) || wall(b) || (dead(a) && dead(b));
            for (const int next : {a, b}) {
                if (held) break;
                bool nextOff = false;
                if (crate(next) && frozen(next, nextOff)) {
                    held = true;
                    groupOff |= nextOff;
                }
            }
        }
        holding_[cell] = false;
        if (held) offTarget = groupOff;
        return held;
    }

    const Board& board_;
    const RelaxedMap& map_;
    std::array<bool, kCellCount> holding_{};
};

// Open positions by their estimate f = cost + bound; last in, first out within one f, which
// goes deep first among equals.
class OpenList {
  public:
    void push(std::uint32_t f, std::uint32_t index) {
        if (f >= buckets_.size()) buckets_.resize(f + 1);
        std::vector<std::uint32_t>& bucket = buckets_[f];
        const std::size_t capacity = bucket.capacity();
        bucket.push_back(index);
        bytes_ += (bucket.capacity() - capacity) * sizeof(std::uint32_t);
        lowest_ = std::min(lowest_, f);
    }
    // The lowest f with an entry, or the highest value when empty.
    std::uint32_t lowest() {
        while (lowest_ < buckets_.size() && buckets_[lowest_].empty()) {
            bytes_ -= buckets_[lowest_].capacity() * sizeof(std::uint32_t);
            std::vector<std::uint32_t>().swap(buckets_[lowest_]);
            ++lowest_;
        }
        return lowest_ < buckets_.size() ? lowest_ : std::numeric_limits<std::uint32_t>::max();
    }
    std::uint32_t pop() {
        std::vector<std::uint32_t>& bucket = buckets_[lowest_];
        const std::uint32_t index = bucket.back();
        bucket.pop_back();
        return index;
    }
    std::size_t bytes() const { return bytes_ + buckets_.capacity() * sizeof(buckets_[0]); }

  private:
    std::vector<std::vector<std::uint32_t>> buckets_;
    std::uint32_t lowest_ = std::numeric_limits<std::uint32_t>::max();
    std::size_t bytes_ = 0;
};

class MoveSearch {
  public:
    MoveSearch(const Board& start, const Options& options)
        : start_(start),
          options_(options),
          began_(Clock::now()),
          map_(relaxedMap(start)),
          codec_(start, map_),
          estimate_(map_),
          table_(codec_.words()),
          scratch_(static_cast<std::size_t>(codec_.words())) {
        session_.board.regim = kModeGame;
    }

    Result run() {
        result_.metric = Metric::Moves;
        // Crates are never destroyed and each needs a target of its own.
        if (map_.crates > map_.targets) return finish(Status::Unsolvable);
        const int bound = pack(start_);
        if (bound == Estimate::kLost) return finish(Status::Unsolvable);
        // A position in play may hold crates frozen off their targets already; found at
        // once here, they need no search of everything else the robot could still do.
        FreezeCheck freeze(start_, map_);
        for (int cell = 0; cell < kCellCount; ++cell)
            if (start_.objectLayer[cell] == kCrate && freeze.frozenOffTarget(cell))
                return finish(Status::Unsolvable);
        if (!roomForOneMore()) return finish(Status::Unknown);
        bool added = false;
        const std::uint32_t root = table_.find(scratch_.data(), added);
        open_.push(static_cast<std::uint32_t>(bound), root);
        note();

        Board position;
        for (std::uint64_t expanded = 0;; ++expanded) {
            const std::uint32_t f = open_.lowest();
            // The bound never overestimates and positions reached by a shorter line are
            // opened again, so every line shorter than the best solution found so far
            // passes through an open position whose f is below that solution's length.
            if (f >= goalCost_) break;
            if (expanded % kCheckEvery == 0 && !withinLimits()) return finish(Status::Unknown);
            const std::uint32_t index = open_.pop();
            if (table_.closed(index)) continue;
            table_.close(index);
            const std::uint32_t cost = table_.cost(index);
            depth_ = std::max(depth_, static_cast<int>(f));
            codec_.unpack(table_.state(index), position);
            placed_ = false;
            for (int dir = kLeft; dir <= kDown; ++dir) {
                if (!expand(position, index, cost, dir)) return finish(Status::Unknown);
            }
        }
        if (goalCost_ == kNoGoal) return finish(Status::Unsolvable);

        std::vector<int> dirs{goalMove_};
        for (std::uint32_t at = goalParent_; at != root; at = table_.parent(at))
            dirs.push_back(table_.move(at) + kLeft);
        std::reverse(dirs.begin(), dirs.end());
        if (dirs.size() != goalCost_) throw std::logic_error("solver: a line of the wrong length");
        result_.moves = moveLetters(start_, dirs, result_.pushCount);
        result_.moveCount = static_cast<int>(dirs.size());
        result_.optimal = true;  // A* with an admissible bound and reopening
        return finish(Status::Solved);
    }

  private:
    static constexpr std::uint32_t kNoGoal = std::numeric_limits<std::uint32_t>::max();

    // Plays one key from `position`; false when a limit stops the search.
    bool expand(const Board& position, std::uint32_t parent, std::uint32_t cost, int dir) {
        // A key that changed nothing left the position on the board already.
        if (!placed_) place(session_.board, position);
        const StepResult step = session_.key(kKeys[dir]);
        placed_ = !step.boardChanged && !step.solved && !session_.board.playerDead;
        // A headless session skips the blast redraw after a win; serve it so that nothing
        // is left pending for the next key.
        if (session_.blastRedrawPending()) session_.serveBlastRedraw();
        if (step.solved) {
            if (cost + 1 < goalCost_) {
                goalCost_ = cost + 1;
                goalParent_ = parent;
                goalMove_ = dir;
            }
            return true;
        }
        const Board& next = session_.board;
        if (next.playerDead || !step.boardChanged) return true;
        const int bound = pack(next);
        if (bound == Estimate::kLost) return true;
        if (step.pushed) {
            const int ahead = neighbour(cellIndex(next.playerX, next.playerY), dir);
            if (ahead >= 0 && next.objectLayer[ahead] == kCrate &&
                FreezeCheck(next, map_).frozenOffTarget(ahead))
                return true;
        }
        if (!roomForOneMore()) return false;
        bool added = false;
        const std::uint32_t index = table_.find(scratch_.data(), added);
        if (added || table_.cost(index) > cost + 1) {
            table_.reach(index, parent, dir - kLeft, cost + 1);
            open_.push(cost + 1 + static_cast<std::uint32_t>(bound), index);
            note();
        }
        return true;
    }

    // Whether one more position may be stored within the limits; sets the reason if not.
    bool roomForOneMore() {
        if (table_.size() >= StateTable::kMostStates ||
            (options_.maxStates != 0 && table_.size() >= options_.maxStates)) {
            stop_ = StopReason::States;
            return false;
        }
        if (table_.bytesAfterInsert() + open_.bytes() + estimate_.bytes() > options_.memoryBytes) {
            stop_ = StopReason::Memory;
            return false;
        }
        return true;
    }

    // Packs `board` into the scratch words; the bound on the moves left, or kLost.
    int pack(const Board& board) {
        int count = 0;
        if (codec_.pack(board, scratch_.data(), crates_.data(), count) != StateCodec::Packed::Ok)
            return Estimate::kLost;
        return estimate_.bound(crates_.data(), count, cellIndex(board.playerX, board.playerY));
    }

    void note() {
        result_.peakBytes =
            std::max(result_.peakBytes, table_.bytes() + open_.bytes() + estimate_.bytes());
    }

    bool withinLimits() {
        const double elapsed = since(began_);
        if (options_.cancel && options_.cancel->load(std::memory_order_relaxed)) {
            stop_ = StopReason::Cancelled;
            return false;
        }
        if (options_.seconds > 0 && elapsed >= options_.seconds) {
            stop_ = StopReason::Time;
            return false;
        }
        if (options_.progress && elapsed >= nextProgress_) {
            nextProgress_ = elapsed + kProgressEvery;
            options_.progress(Progress{table_.size(), depth_, elapsed});
        }
        return true;
    }

    Result finish(Status status) {
        result_.status = status;
        result_.stoppedBy = status == Status::Unknown ? stop_ : StopReason::None;
        result_.states = table_.size();
        result_.seconds = since(began_);
        note();
        return result_;
    }

    const Board& start_;
    const Options& options_;
    Clock::time_point began_;
    RelaxedMap map_;
    StateCodec codec_;
    Estimate estimate_;
    StateTable table_;
    OpenList open_;
    Session session_;
    std::vector<std::uint64_t> scratch_;
    std::array<std::uint16_t, kCellCount> crates_{};
    Result result_;
    StopReason stop_ = StopReason::None;
    std::uint32_t goalCost_ = kNoGoal;
    std::uint32_t goalParent_ = 0;
    int goalMove_ = 0;
    int depth_ = 0;
    bool placed_ = false;  // the session's board holds the position being expanded
    double nextProgress_ = 0;
};

}  // namespace

Result searchMoves(const Board& start, const Options& options) {
    return MoveSearch(start, options).run();
}

std::string moveLetters(const Board& start, const std::vector<int>& dirs, int& pushes) {
    Session session;
    session.board = start;
    session.board.regim = kModeGame;
    session.board.playerDead = 0;
    std::string letters;
    pushes = 0;
    for (std::size_t i = 0; i < dirs.size(); ++i) {
        const int dir = dirs[i];
        if (dir < kLeft || dir > kDown) throw std::logic_error("solver: a move out of range");
        const StepResult step = session.key(kKeys[dir]);
        if (!step.handled || step.solved != (i + 1 == dirs.size()))
            throw std::logic_error("solver: a solution that does not replay");
        char letter = kLetters[dir];
        if (step.pushed) {
            letter = static_cast<char>(letter - 'a' + 'A');
            ++pushes;
        }
        letters += letter;
    }
    return letters;
}

}  // namespace prismcrate::solver
