// The solver against a plain breadth-first search written independently of it: whole
// boards (facing and pose included) in a hash set, successors by a fresh game session per
// key, no pruning at all. Every board that search meets must also fit the solver's packed
// positions, which rest on its relaxed map of what can ever change. On many small random rooms with
// every mechanic, both must agree on whether the level can be solved and on the length of its
// shortest solution, and the solver's solution must replay to "solved".
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <optional>
#include <random>
#include <string>
#include <unordered_map>

#include "game/moves.h"
#include "game/session.h"
#include "levels/level_record.h"
#include "solver/relaxed_map.h"
#include "solver/solver.h"
#include "solver/state_codec.h"
#include "tests/solver/slow_build.h"
#include "tools/levels_tool/replay.h"

namespace prismcrate {
namespace {

constexpr int kLevels = testing::kSlowBuild ? 150 : 1200;
// Rooms whose plain search outgrows this are drawn again.
constexpr std::size_t kMostBoards = 4'000;

std::string boardKey(const Board& b) {
    std::string key(reinterpret_cast<const char*>(b.objectLayer.data()), kCellCount);
    key.append(reinterpret_cast<const char*>(b.floorLayer.data()), kCellCount);
    key += static_cast<char>(b.playerX);
    key += static_cast<char>(b.playerY);
    key += static_cast<char>(b.playerDir);
    key += static_cast<char>(b.pushPose);
    return key;
}

struct Plain {
    enum { Solved, Unsolvable, TooBig } verdict = TooBig;
    int length = 0;
};

// Breadth first over whole boards from the level as loaded for play. Every board it meets
// must be one the solver's packed positions can hold.
Plain plainSearch(const LevelRecord& level) {
    Session arrival;
    putRecordOnBoard(level, arrival.board);
    arrival.board.resetForLoadedLevel();
    if (arrival.startLevel().solved) return {Plain::Solved, 0};
    if (arrival.board.playerDead) return {Plain::Unsolvable, 0};

    const solver::RelaxedMap map = solver::relaxedMap(arrival.board);
    const solver::StateCodec codec(arrival.board, map);
    std::unordered_map<std::string, int> depth;
    std::deque<Board> queue{arrival.board};
    depth.emplace(boardKey(arrival.board), 0);
    while (!queue.empty()) {
        const Board board = queue.front();
        queue.pop_front();
        const int d = depth.at(boardKey(board));
        EXPECT_TRUE(codec.roundTrips(board));
        for (const int key : {kKeyLeft, kKeyUp, kKeyRight, kKeyDown}) {
            Session session;
            session.board = board;
            const StepResult step = session.key(key);
            if (step.solved) return {Plain::Solved, d + 1};
            if (session.board.playerDead) continue;
            if (depth.emplace(boardKey(session.board), d + 1).second) {
                if (depth.size() > kMostBoards) return {};
                queue.push_back(session.board);
            }
        }
    }
    return {Plain::Unsolvable, 0};
}

// A room of up to 8 by 8 cells inside a ring of steel, so that no blast opens the rest of
// the field. Some rooms are split by a wall across them, with the targets beyond: the wall
// holds a gate that a plate opens, or it is whole and only a blast can open it. Then a few
// inner walls (which blasts may clear), crates and targets, and now and then a rock, a
// mirror, a bomb, an emitter, a steel block, a plate and a gate, or a code only a damaged
// file holds.
std::optional<LevelRecord> randomRoom(std::mt19937& rng) {
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto chance = [&rng](double p) { return std::bernoulli_distribution(p)(rng); };
    LevelRecord level;
    const int w = pick(3, 8);
    const int h = pick(3, 8);
    const int x0 = 3;
    const int y0 = 3;
    for (int x = x0 - 1; x <= x0 + w; ++x) {
        for (int y = y0 - 1; y <= y0 + h; ++y) {
            const bool ring = x == x0 - 1 || x == x0 + w || y == y0 - 1 || y == y0 + h;
            level.objectLayer[cellIndex(x, y)] = ring ? kSteel : kEmpty;
        }
    }
    enum { Open, GateSplit, WallSplit } kind = Open;
    const int split = w >= 4 ? x0 + pick(1, w - 2) : -1;
    if (split >= x0 + 2) kind = chance(0.45) ? WallSplit : Open;
    if (split >= 0 && kind == Open) kind = chance(0.3) ? GateSplit : Open;
    std::vector<int> near, far;  // cells left of the split (or all), right of it
    for (int x = x0; x < x0 + w; ++x) {
        for (int y = y0; y < y0 + h; ++y) {
            if (kind != Open && x == split) {
                level.objectLayer[cellIndex(x, y)] = kWall;
                continue;
            }
            (kind != Open && x > split ? far : near).push_back(cellIndex(x, y));
        }
    }
    if (kind == GateSplit) level.objectLayer[cellIndex(split, y0 + pick(0, h - 1))] = kGateClosed;
    std::shuffle(near.begin(), near.end(), rng);
    std::shuffle(far.begin(), far.end(), rng);
    auto place = [&level](std::vector<int>& from, std::uint8_t object, std::uint8_t floor) {
        if (from.empty()) return -1;
        const int cell = from.back();
        from.pop_back();
        level.objectLayer[cell] = object;
        level.floorLayer[cell] = floor;
        return cell;
    };
    if (kind == WallSplit) {
        // A beam down the column beside the wall, stopped by a closed gate above a bomb.
        // Any weight on the plate opens the gate from afar: the beam sets the bomb off and
        // the blast opens the wall beside it.
        const int column = split - 1;
        const int row = y0 + pick(1, h - 1);
        level.objectLayer[cellIndex(column, y0 - 1)] = kEmitterDown;
        level.objectLayer[cellIndex(column, row - 1)] = kGateClosed;
        level.objectLayer[cellIndex(column, row)] = kBomb;
        std::erase_if(near, [&](int cell) { return cell / kFieldSize == column; });
        place(near, kEmpty, kPlateReleased);
    }
    std::vector<int>& targetSide = kind == Open ? near : far;
    const int robot = place(near, kEmpty, kFloorPlain);
    if (robot < 0) return std::nullopt;
    level.playerX = static_cast<std::uint8_t>(robot / kFieldSize);
    level.playerY = static_cast<std::uint8_t>(robot % kFieldSize);
    const int crates = w * h <= 20 && chance(0.2) ? 3 : w * h >= 24 && chance(0.3) ? 2 : 1;
    // Crates away from the ring, where they can still be pushed both ways, when there is
    // room for that.
    std::stable_partition(near.begin(), near.end(), [&](int cell) {
        const int x = cell / kFieldSize;
        const int y = cell % kFieldSize;
        return x == x0 || x == x0 + w - 1 || y == y0 || y == y0 + h - 1;
    });
    for (int i = 0; i < crates; ++i)
        if (place(near, kCrate, kFloorPlain) < 0) return std::nullopt;
    std::shuffle(near.begin(), near.end(), rng);
    const int targets = crates + (chance(0.1) ? 1 : 0) - (chance(0.03) ? 1 : 0);
    for (int i = 0; i < targets; ++i) place(targetSide, kEmpty, kFloorTarget);
    if (kind == GateSplit) place(near, kEmpty, kPlateReleased);
    for (int i = pick(0, kind == Open ? 2 : 0); i > 0; --i) place(near, kWall, kFloorPlain);
    if (chance(0.2)) place(near, kRock, kFloorPlain);
    if (chance(0.3)) place(near, chance(0.5) ? kMirrorFalling : kMirrorRising, kFloorPlain);
    if (kind == Open && chance(0.3)) place(near, kBomb, kFloorPlain);
    if (chance(0.1)) place(near, kSteel, kFloorPlain);
    // Codes beyond the table, as only damaged files hold them: an object the robot walks
    // over, that stops beams and that blasts clear; a floor mark nothing looks at.
    if (chance(0.05))
        place(near, static_cast<std::uint8_t>(pick(kGateClosed + 1, 255)), kFloorPlain);
    if (chance(0.05)) place(near, kEmpty, static_cast<std::uint8_t>(pick(kGateOpen + 1, 255)));
    if (kind == Open && chance(0.2)) {
        place(near, kEmpty, kPlateReleased);
        place(near, kGateClosed, kFloorPlain);
    }
    if (kind == WallSplit) {
        // The beam is in place already.
    } else if (chance(0.4)) {
        // An emitter in the ring, firing into the room, or one inside it.
        const std::uint8_t code = static_cast<std::uint8_t>(pick(kEmitterLeft, kEmitterDown));
        if (chance(0.7)) {
            const bool across = code == kEmitterLeft || code == kEmitterRight;
            const int along = across ? pick(0, h - 1) : pick(0, w - 1);
            int x = 0;
            int y = 0;
            switch (code) {
                case kEmitterLeft:
                    x = x0 + w, y = y0 + along;
                    break;
                case kEmitterRight:
                    x = x0 - 1, y = y0 + along;
                    break;
                case kEmitterUp:
                    x = x0 + along, y = y0 + h;
                    break;
                default:
                    x = x0 + along, y = y0 - 1;
                    break;
            }
            level.objectLayer[cellIndex(x, y)] = code;
        } else {
            place(near, code, kFloorPlain);
        }
    }
    return level;
}

TEST(SolverCrossCheck, AgreesWithAPlainSearchOnRandomRooms) {
    std::mt19937 rng(20261208);
    int checked = 0, drawn = 0, solvable = 0, unsolvable = 0;
    int withBlast = 0, withPlate = 0, withBeam = 0, withGate = 0, threeCrates = 0;
    while (checked < kLevels) {
        ++drawn;
        const std::optional<LevelRecord> drawnRoom = randomRoom(rng);
        if (!drawnRoom) continue;
        const LevelRecord& level = *drawnRoom;
        const Plain plain = plainSearch(level);
        if (plain.verdict == Plain::TooBig) continue;
        ++checked;
        threeCrates += std::count(level.objectLayer.begin(), level.objectLayer.end(), kCrate) == 3;

        Board loaded;
        putRecordOnBoard(level, loaded);
        solver::Options options;
        options.metric = solver::Metric::Moves;
        const solver::Result result = solver::solveLevel(loaded, options);
        const std::string text = "seed draw " + std::to_string(drawn);
        if (plain.verdict == Plain::Unsolvable) {
            ++unsolvable;
            EXPECT_EQ(result.status, solver::Status::Unsolvable) << text;
            continue;
        }
        ++solvable;
        ASSERT_EQ(result.status, solver::Status::Solved) << text;
        EXPECT_EQ(result.moveCount, plain.length) << text;
        EXPECT_EQ(result.moves.size(), static_cast<std::size_t>(plain.length)) << text;
        const ReplayResult replay = replayLevel(level, result.moves);
        EXPECT_EQ(replay.outcome, ReplayOutcome::Solved) << text;
        EXPECT_EQ(replay.movesPlayed, result.moves.size()) << text;

        // What the solution went through, for the mix printed below.
        Session session;
        putRecordOnBoard(level, session.board);
        session.board.resetForLoadedLevel();
        session.startLevel();
        bool blast = false, click = false, gate = false;
        bool beam = false;
        for (const Layer::value_type code : level.objectLayer)
            beam |= code >= kEmitterLeft && code <= kEmitterDown;
        for (const char letter : result.moves) {
            const Layer floorBefore = session.board.floorLayer;
            const StepResult step = session.key(moveKey(letter));
            blast |= step.cues[kCueExplosion] > 0;
            click |= step.cues[kCueClick] > 0;
            for (int cell = 0; cell < kCellCount; ++cell)
                gate |= (floorBefore[cell] == kGateOpen) !=
                        (session.board.floorLayer[cell] == kGateOpen);
        }
        withBlast += blast;
        withPlate += click;
        withGate += gate;
        withBeam += beam;
    }
    std::printf(
        "[ mix      ] %d rooms drawn, %d checked (%d too big for the plain search): %d solvable, "
        "%d unsolvable; solutions with a blast %d, a plate pressed %d, a gate opening or "
        "closing %d, on a level with an emitter %d; %d levels with three crates\n",
        drawn, checked, drawn - checked, solvable, unsolvable, withBlast, withPlate, withGate,
        withBeam, threeCrates);
    EXPECT_GE(solvable, checked / 5);
    EXPECT_GE(unsolvable, checked / 5);
    EXPECT_GE(withBlast, checked / 50);
}

}  // namespace
}  // namespace prismcrate
