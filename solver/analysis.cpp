#include "solver/analysis.h"

#include <limits>
#include <stdexcept>
#include <vector>

#include "game/moves.h"
#include "game/session.h"
#include "solver/hints.h"
#include "solver/relaxed_map.h"
#include "solver/state_codec.h"
#include "solver/state_table.h"

namespace prismcrate::solver {
namespace {

constexpr int kKeys[] = {0, kKeyLeft, kKeyUp, kKeyRight, kKeyDown};
constexpr std::uint32_t kNoEdge = std::numeric_limits<std::uint32_t>::max();
constexpr int kCheckEvery = 256;

class Enumeration {
  public:
    Enumeration(const Board& start, const SpaceLimits& limits)
        : limits_(limits),
          map_(everyCellKept(relaxedMap(start))),
          codec_(start, map_),
          alive_(codec_.words()),
          solved_(codec_.words()),
          destroyed_(codec_.words()),
          scratch_(static_cast<std::size_t>(codec_.words())) {
        session_.board.regim = kModeGame;
        bool added = false;
        pack(start);
        alive_.find(scratch_.data(), added);
    }

    PositionSpace run() {
        Board position;
        for (std::uint32_t index = 0; index < alive_.size(); ++index) {
            if (index % kCheckEvery == 0 && limits_.cancel &&
                limits_.cancel->load(std::memory_order_relaxed))
                return stopped();
            codec_.unpack(alive_.state(index), position);
            bool winsNow = false;
            for (int dir = kLeft; dir <= kDown; ++dir) {
                std::uint32_t edge = kNoEdge;
                if (!expand(position, dir, edge, winsNow)) return stopped();
                edges_.push_back(edge);
            }
            winsNow_.push_back(winsNow);
        }
        return counted();
    }

  private:
    // The codec drops crates on cells from which no push reaches a target, since the
    // solver never stores such positions; here every position counts.
    static RelaxedMap everyCellKept(RelaxedMap map) {
        map.crateDistance.fill(0);
        return map;
    }

    void pack(const Board& board) {
        int count = 0;
        if (codec_.pack(board, scratch_.data(), crates_.data(), count) != StateCodec::Packed::Ok)
            throw std::logic_error("analysis: a position the codec refuses");
    }

    // Plays the key of `dir` from `position`: `edge` becomes the living position it leads
    // to, if any, and `winsNow` is set when it solves the level. False when a limit stops
    // the enumeration.
    bool expand(const Board& position, int dir, std::uint32_t& edge, bool& winsNow) {
        Board& board = session_.board;
        board.objectLayer = position.objectLayer;
        board.floorLayer = position.floorLayer;
        board.playerX = position.playerX;
        board.playerY = position.playerY;
        board.playerDead = 0;
        const StepResult step = session_.key(kKeys[dir]);
        // A headless session leaves the blast redraw after a win pending.
        if (session_.blastRedrawPending()) session_.serveBlastRedraw();
        if (!step.solved && !board.playerDead && !step.boardChanged) return true;
        StateTable& table = step.solved ? solved_ : board.playerDead ? destroyed_ : alive_;
        if (!roomForOneMore()) return false;
        pack(board);
        bool added = false;
        const std::uint32_t index = table.find(scratch_.data(), added);
        if (added && total() > limits_.states) return false;
        if (step.solved)
            winsNow = true;
        else if (!board.playerDead)
            edge = index;
        return true;
    }

    std::uint64_t total() const {
        return std::uint64_t{alive_.size()} + solved_.size() + destroyed_.size();
    }

    // Whether the tables may take one more position within the memory limit.
    bool roomForOneMore() const {
        if (alive_.size() >= StateTable::kMostStates) return false;
        const std::size_t bytes =
            alive_.bytesAfterInsert() + solved_.bytesAfterInsert() + destroyed_.bytesAfterInsert() +
            (edges_.capacity() + winsNow_.capacity() / 8) * sizeof(std::uint32_t);
        return bytes <= limits_.memoryBytes;
    }

    PositionSpace stopped() const {
        PositionSpace space;
        space.complete = false;
        space.reachable = total();
        return space;
    }

    // Marks the positions from which a solved one can be reached, walking the moves
    // backwards, and counts the rest.
    PositionSpace counted() const {
        const std::uint32_t n = alive_.size();
        std::vector<std::uint32_t> first(static_cast<std::size_t>(n) + 1, 0);
        for (const std::uint32_t to : edges_)
            if (to != kNoEdge) ++first[to + 1];
        for (std::uint32_t i = 0; i < n; ++i) first[i + 1] += first[i];
        std::vector<std::uint32_t> from(first[n]);
        std::vector<std::uint32_t> fill(first.begin(), first.end() - 1);
        for (std::size_t e = 0; e < edges_.size(); ++e)
            if (edges_[e] != kNoEdge) from[fill[edges_[e]]++] = static_cast<std::uint32_t>(e / 4);

        std::vector<bool> winnable(n, false);
        std::vector<std::uint32_t> queue;
        for (std::uint32_t i = 0; i < n; ++i) {
            if (winsNow_[i]) {
                winnable[i] = true;
                queue.push_back(i);
            }
        }
        for (std::size_t head = 0; head < queue.size(); ++head) {
            const std::uint32_t to = queue[head];
            for (std::uint32_t e = first[to]; e < first[to + 1]; ++e) {
                if (winnable[from[e]]) continue;
                winnable[from[e]] = true;
                queue.push_back(from[e]);
            }
        }
        PositionSpace space;
        space.complete = true;
        space.solved = solved_.size();
        space.destroyed = destroyed_.size();
        space.reachable = std::uint64_t{n} + space.solved + space.destroyed;
        space.lost = std::uint64_t{n} - queue.size() + space.destroyed;
        return space;
    }

    const SpaceLimits& limits_;
    RelaxedMap map_;
    StateCodec codec_;
    StateTable alive_;
    StateTable solved_;
    StateTable destroyed_;
    Session session_;
    std::vector<std::uint64_t> scratch_;
    std::array<std::uint16_t, kCellCount> crates_{};
    std::vector<std::uint32_t> edges_;  // four per living position: the next one, or none
    std::vector<bool> winsNow_;         // a key solves the level from there
};

}  // namespace

PositionSpace countPositions(const Board& loaded, const SpaceLimits& limits) {
    if (!onField(loaded.playerX, loaded.playerY))
        throw std::invalid_argument("the robot's cell lies outside the field");
    const Board start = loadedForPlay(loaded);
    PositionSpace space;
    space.complete = true;
    space.reachable = 1;
    if (start.solved()) {
        space.solved = 1;
        return space;
    }
    if (start.playerDead) {
        space.destroyed = 1;
        space.lost = 1;
        return space;
    }
    return Enumeration(start, limits).run();
}

}  // namespace prismcrate::solver
