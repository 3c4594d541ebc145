#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <map>
#include <queue>
#include <random>
#include <set>
#include <sstream>
#include <unordered_map>

#include "levels/level_text.h"
#include "levels/xsb.h"
#include "solver/push_search.h"
#include "tests/campaign/sketch.h"
#include "tools/levels_tool/replay.h"

namespace prismcrate::solver {
namespace {

using testing::sketchLevel;

Board boardOf(const LevelRecord& level) {
    Board board;
    putRecordOnBoard(level, board);
    board.resetForLoadedLevel();
    return board;
}

bool replaysToSolved(const LevelRecord& level, const std::string& moves) {
    return replayLevel(level, moves).outcome == ReplayOutcome::Solved;
}

// The fewest pushes, then the fewest moves, found by trying every key press: Dijkstra over
// every position of the crates and the robot, with no pruning at all. The robot's walls
// must enclose at most 64 cells; crates outside never move.
struct Exhaustive {
    bool solvable = false;
    int pushes = 0;
    int moves = 0;
};

Exhaustive exhaustive(const Board& board) {
    std::vector<int> cellOf(kCellCount, -1);
    std::vector<int> fieldOf{cellIndex(board.playerX, board.playerY)};
    cellOf[static_cast<std::size_t>(fieldOf[0])] = 0;
    for (std::size_t head = 0; head < fieldOf.size(); ++head) {
        const int x = fieldOf[head] / kFieldSize, y = fieldOf[head] % kFieldSize;
        for (const auto& [nx, ny] : {std::pair{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}}) {
            if (!onField(nx, ny)) continue;
            const auto i = static_cast<std::size_t>(cellIndex(nx, ny));
            if (cellOf[i] >= 0 || board.objectLayer[i] == kWall || board.objectLayer[i] == kSteel)
                continue;
            cellOf[i] = static_cast<int>(fieldOf.size());
            fieldOf.push_back(cellIndex(nx, ny));
        }
    }
    EXPECT_LE(fieldOf.size(), 64u);
    for (int i = 0; i < kCellCount; ++i)
        if (cellOf[static_cast<std::size_t>(i)] < 0 &&
            board.objectLayer[static_cast<std::size_t>(i)] == kCrate &&
            board.floorLayer[static_cast<std::size_t>(i)] != kFloorTarget)
            return {};
    std::uint64_t crates = 0, targets = 0;
    for (std::size_t c = 0; c < fieldOf.size(); ++c) {
        if (board.objectLayer[static_cast<std::size_t>(fieldOf[c])] == kCrate) crates |= 1ull << c;
        if (board.floorLayer[static_cast<std::size_t>(fieldOf[c])] == kFloorTarget)
            targets |= 1ull << c;
    }
    const int robot = cellOf[static_cast<std::size_t>(cellIndex(board.playerX, board.playerY))];

    using Cost = std::pair<int, int>;  // pushes, moves
    using Key = std::pair<std::uint64_t, int>;
    struct Entry {
        Cost cost;
        Key key;
        bool operator>(const Entry& o) const { return cost > o.cost; }
    };
    std::map<Key, Cost> best;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> open;
    best[{crates, robot}] = {0, 0};
    open.push({{0, 0}, {crates, robot}});
    const int dx[] = {-1, 0, 1, 0};
    const int dy[] = {0, -1, 0, 1};
    while (!open.empty()) {
        const Entry e = open.top();
        open.pop();
        if (best[e.key] < e.cost) continue;
        const auto [bits, at] = e.key;
        if ((bits & ~targets) == 0) return {true, e.cost.first, e.cost.second};
        const int x = fieldOf[static_cast<std::size_t>(at)] / kFieldSize;
        const int y = fieldOf[static_cast<std::size_t>(at)] % kFieldSize;
        for (int d = 0; d < 4; ++d) {
            if (!onField(x + dx[d], y + dy[d])) continue;
            const int next = cellOf[static_cast<std::size_t>(cellIndex(x + dx[d], y + dy[d]))];
            if (next < 0) continue;
            std::uint64_t after = bits;
            Cost cost{e.cost.first, e.cost.second + 1};
            if (bits >> next & 1) {
                if (!onField(x + 2 * dx[d], y + 2 * dy[d])) continue;
                const int beyond =
                    cellOf[static_cast<std::size_t>(cellIndex(x + 2 * dx[d], y + 2 * dy[d]))];
                if (beyond < 0 || (bits >> beyond & 1)) continue;
                after = (bits & ~(1ull << next)) | (1ull << beyond);
                ++cost.first;
            }
            const Key key{after, next};
            const auto known = best.find(key);
            if (known != best.end() && known->second <= cost) continue;
            best[key] = cost;
            open.push({cost, key});
        }
    }
    return {};
}

// A room of up to 5 by 5 cells with scattered walls, 1 to 3 crates and, mostly, as many
// targets (sometimes one more, sometimes one fewer). Crates stand where chance puts them,
// which in rooms this small is mostly somewhere hopeless; or, for every other room, where
// a walk of the robot pulling them now and then takes them from targets, so that the room
// can be solved by pushing them back.
LevelRecord randomRoom(std::mt19937& rng, bool pulled) {
    auto roll = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(rng);
    };
    const int w = roll(3, 5), h = roll(3, 5);
    std::vector<std::string> rows(static_cast<std::size_t>(h + 2), std::string(w + 2, '#'));
    std::vector<std::pair<int, int>> free;
    for (int y = 1; y <= h; ++y)
        for (int x = 1; x <= w; ++x)
            if (roll(0, 99) >= 10) {
                rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = ' ';
                free.emplace_back(x, y);
            }
    const int crates = roll(1, 3);
    const int targets = std::max(
        1, crates + std::vector<int>{-1, 0, 0, 0, 1}[static_cast<std::size_t>(roll(0, 4))]);
    if (static_cast<int>(free.size()) < std::max(crates, targets) + 1)
        return randomRoom(rng, pulled);
    std::shuffle(free.begin(), free.end(), rng);
    std::set<std::pair<int, int>> onTargets(free.begin(), free.begin() + targets);
    std::set<std::pair<int, int>> boxes;
    std::pair<int, int> robot = free.back();
    if (pulled && crates <= targets) {
        boxes.insert(free.begin(), free.begin() + crates);
        auto open = [&](std::pair<int, int> p) {
            return rows[static_cast<std::size_t>(p.second)][static_cast<std::size_t>(p.first)] ==
                       ' ' &&
                   !boxes.count(p);
        };
        for (int step = 0; step < 60; ++step) {
            const int d = roll(0, 3);
            const int dx = std::vector<int>{-1, 0, 1, 0}[static_cast<std::size_t>(d)];
            const int dy = std::vector<int>{0, -1, 0, 1}[static_cast<std::size_t>(d)];
            const std::pair<int, int> next{robot.first + dx, robot.second + dy};
            const std::pair<int, int> behind{robot.first - dx, robot.second - dy};
            if (!open(next)) continue;
            if (boxes.count(behind) && roll(0, 1) == 0) {
                boxes.erase(behind);
                boxes.insert(robot);
            }
            robot = next;
        }
    } else {
        boxes.insert(free.begin() + targets / 2, free.begin() + targets / 2 + crates);
        if (boxes.count(robot)) return randomRoom(rng, pulled);
    }
    for (const auto& [x, y] : free) {
        char& c = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
        const bool target = onTargets.count({x, y}) > 0;
        if (boxes.count({x, y})) {
            c = target ? '*' : '$';
        } else if (std::pair{x, y} == robot) {
            c = target ? '+' : '@';
        } else if (target) {
            c = '.';
        }
    }
    return sketchLevel(rows);
}

TEST(PushSearch, RandomRoomsAgreeWithEveryKeyPressTried) {
#ifdef PRISMCRATE_SANITIZE_BUILD
    constexpr int kRooms = 150;
#else
    constexpr int kRooms = 400;
#endif
    std::mt19937 rng(20240611);
    int solvable = 0, unsolvable = 0;
    for (int i = 0; i < kRooms; ++i) {
        const LevelRecord level = randomRoom(rng, i % 2 == 0);
        const Board board = boardOf(level);
        const Exhaustive truth = exhaustive(board);
        const Result result = solvePushes(board, {});
        SCOPED_TRACE("room " + std::to_string(i));
        if (!truth.solvable) {
            ++unsolvable;
            EXPECT_EQ(result.status, Status::Unsolvable);
            continue;
        }
        ++solvable;
        ASSERT_EQ(result.status, Status::Solved) << levelToText(level);
        EXPECT_TRUE(result.optimal);
        EXPECT_EQ(result.pushCount, truth.pushes);
        EXPECT_EQ(result.moveCount, static_cast<int>(result.moves.size()));
        if (result.movesOptimal) {
            EXPECT_EQ(result.moveCount, truth.moves);
        } else {
            EXPECT_GE(result.moveCount, truth.moves);
        }
        EXPECT_TRUE(replaysToSolved(level, result.moves)) << result.moves;
    }
    // Both kinds of verdict were put to the test.
    EXPECT_GT(solvable, kRooms / 4) << unsolvable;
    EXPECT_GT(unsolvable, kRooms / 20);
}

TEST(PushSearch, HandMadeLevels) {
    struct Case {
        const char* name;
        std::vector<std::string> rows;
        Status status;
        int pushes = 0;
        int moves = 0;
    };
    const Case cases[] = {
        {"crate in a corner", {"#####", "#$  #", "#  .#", "# @ #", "#####"}, Status::Unsolvable},
        {"more crates than targets",
         {"######", "#    #", "# $$ #", "# .@ #", "######"},
         Status::Unsolvable},
        {"two crates frozen side by side at a wall, off their targets",
         {"######", "#.$$ #", "#   .#", "# @  #", "######"},
         Status::Unsolvable},
        {"a crate the robot never reaches, off its target",
         {"#######", "#@ $.##", "#######", "#$#  .#", "#######"},
         Status::Unsolvable},
        {"a crate the robot never reaches, on its target",
         {"#######", "#@ $.##", "#######", "#*#####", "#######"},
         Status::Solved,
         1,
         2},
        {"solved as it stands", {"#####", "#@*.#", "#####"}, Status::Solved, 0, 0},
        {"no crate at all", {"#####", "#@ .#", "#####"}, Status::Solved, 0, 0},
        {"spare targets do not matter",
         {"######", "#@$ .#", "#.   #", "######"},
         Status::Solved,
         2,
         2},
        {"steel blocks are walls", {"%%%%%%", "%@$ .%", "%%%%%%"}, Status::Solved, 2, 2},
        {"around the crate", {"######", "#.$@ #", "#    #", "######"}, Status::Solved, 1, 1},
        {"the robot walks round to push back",
         {"#######", "#  $. #", "# ##  #", "#@    #", "#######"},
         Status::Solved,
         1,
         4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LevelRecord level = sketchLevel(c.rows);
        const Result result = solvePushes(boardOf(level), {});
        EXPECT_EQ(result.metric, Metric::Pushes);
        ASSERT_EQ(result.status, c.status);
        EXPECT_EQ(result.stoppedBy, StopReason::None);
        if (c.status != Status::Solved) continue;
        EXPECT_TRUE(result.optimal && result.movesOptimal);
        EXPECT_EQ(result.pushCount, c.pushes);
        EXPECT_EQ(result.moveCount, c.moves);
        EXPECT_TRUE(replaysToSolved(level, result.moves)) << result.moves;
    }
}

TEST(PushSearch, OnlyPlainCrateLevels) {
    const char* kinds[] = {"r", "\\", "b", ">", "g", "_"};
    for (const char* kind : kinds) {
        std::vector<std::string> rows = {"######", "#@$ .#", "#    #", "######"};
        rows[2][2] = kind[0];
        const Board board = boardOf(sketchLevel(rows));
        std::string why;
        EXPECT_FALSE(isPlainCrateLevel(board, &why)) << kind;
        EXPECT_NE(why.find("cell (2, 2)"), std::string::npos) << why;
        EXPECT_EQ(solvePushes(board, {}).status, Status::Unknown) << kind;
    }
    EXPECT_TRUE(isPlainCrateLevel(boardOf(sketchLevel({"%%%%", "%@$.", "%%%%"}))));
}

// A level of Microban: "Microban" by David W. Skinner (revised April 2000), freely
// distributed provided it remains properly credited.
LevelRecord microban(int number) {
    std::ifstream in(std::string(PRISMCRATE_SOURCE_DIR) + "/assets/sokoban/microban.xsb",
                     std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    for (const XsbLevel& level : readXsb(text.str()))
        if (level.number == number && level.record) return *level.record;
    ADD_FAILURE() << "no Microban level " << number;
    return {};
}

TEST(PushSearch, LimitsGiveUnknown) {
    // Microban 153 takes seconds: none of the limits below is missed by chance.
    const Board board = boardOf(microban(153));

    Options memory;
    memory.memoryBytes = 64 * 1024;
    Result result = solvePushes(board, memory);
    EXPECT_EQ(result.status, Status::Unknown);
    EXPECT_EQ(result.stoppedBy, StopReason::Memory);
    EXPECT_LE(result.peakBytes, memory.memoryBytes);

    Options time;
    time.seconds = 0.05;
    result = solvePushes(board, time);
    EXPECT_EQ(result.status, Status::Unknown);
    EXPECT_EQ(result.stoppedBy, StopReason::Time);
    EXPECT_LT(result.seconds, 5.0);

    std::atomic<bool> cancel{false};
    int calls = 0;
    Options cancelled;
    cancelled.cancel = &cancel;
    cancelled.progress = [&](const Progress& progress) {
        EXPECT_GT(progress.states, 0u);
        if (++calls == 2) cancel = true;
    };
    result = solvePushes(board, cancelled);
    EXPECT_EQ(result.status, Status::Unknown);
    EXPECT_EQ(result.stoppedBy, StopReason::Cancelled);
    EXPECT_EQ(calls, 2);
}

// A quick sample of Microban that every build runs: each level solved with the fewest
// pushes, and the solution replays to solved through the game. The full collection is
// for the benchmark (scripts/bench-solver.sh).
TEST(PushSearch, MicrobanSample) {
#ifdef PRISMCRATE_SANITIZE_BUILD
    constexpr int kLevels = 20;
#else
    constexpr int kLevels = 90;
#endif
    for (int number = 1; number <= kLevels; ++number) {
        SCOPED_TRACE("Microban " + std::to_string(number));
        const LevelRecord level = microban(number);
        const Result result = solvePushes(boardOf(level), {});
        ASSERT_EQ(result.status, Status::Solved);
        EXPECT_TRUE(result.optimal);
        EXPECT_TRUE(replaysToSolved(level, result.moves)) << result.moves;
    }
}

}  // namespace
}  // namespace prismcrate::solver
