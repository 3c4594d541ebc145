// The standard set: the solver solves every level, its solutions replay to "solved", and
// the solution stored with each level's source is exactly as short as the optimum.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "game/session.h"
#include "levels/level_text.h"
#include "solver/hints.h"
#include "solver/solver.h"
#include "tests/solver/slow_build.h"
#include "tools/levels_tool/replay.h"

namespace prismcrate {
namespace {

const std::string kSolutionTag = "; solution:";

struct Source {
    std::string name;
    LevelRecord level;
    std::string solution;  // as stored with the source
};

std::vector<Source> sources() {
    std::vector<Source> all;
    const auto folder = std::filesystem::path(PRISMCRATE_SOURCE_DIR) / "assets" / "levels";
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".txt") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        Source source;
        source.name = entry.path().filename().string();
        source.level = parseLevelText(text.str()).at(0).record;
        std::istringstream lines(text.str());
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind(kSolutionTag, 0) != 0) continue;
            line.erase(0, kSolutionTag.size());
            std::erase_if(line, [](char c) { return c == ' ' || c == '\r'; });
            source.solution = line;
        }
        all.push_back(std::move(source));
    }
    std::sort(all.begin(), all.end(),
              [](const Source& a, const Source& b) { return a.name < b.name; });
    return all;
}

// With the sanitizers, levels that need more positions than this are left to the
// optimised build.
constexpr std::uint64_t kSlowBuildStates = 150'000;

TEST(ShippedLevels, SolvedOptimallyAndStoredSolutionsAreShortest) {
    const std::vector<Source> all = sources();
    ASSERT_FALSE(all.empty());
    int left = 0;
    for (const Source& source : all) {
        SCOPED_TRACE(source.name);
        Board board;
        putRecordOnBoard(source.level, board);
        solver::Options options;
        options.metric = solver::Metric::Moves;
        if (testing::kSlowBuild) options.maxStates = kSlowBuildStates;
        const solver::Result result = solver::solveLevel(board, options);
        if (testing::kSlowBuild && result.stoppedBy == solver::StopReason::States) {
            ++left;
            continue;
        }
        ASSERT_EQ(result.status, solver::Status::Solved);
        const ReplayResult replay = replayLevel(source.level, result.moves);
        EXPECT_EQ(replay.outcome, ReplayOutcome::Solved) << result.moves;
        EXPECT_EQ(replay.movesPlayed, result.moves.size()) << result.moves;
        EXPECT_EQ(source.solution.size(), result.moves.size())
            << "the stored solution " << source.solution << " against the shortest "
            << result.moves;
    }
    if (left > 0) std::printf("[ skipped  ] %d levels too big for a sanitizer build\n", left);
}

// The lost-position warning, with the window's own check and budget, never appears along
// a stored solution: every position on it can still be solved.
TEST(ShippedLevels, NoLostWarningAlongAStoredSolution) {
    // With the sanitizers every check spends its whole time budget on the larger levels:
    // every sixteenth position is checked there.
    const std::size_t stride = testing::kSlowBuild ? 16 : 1;
    for (const Source& source : sources()) {
        SCOPED_TRACE(source.name);
        Board level;
        putRecordOnBoard(source.level, level);
        Session session;
        session.board = solver::loadedForPlay(level);
        for (std::size_t i = 0; i < source.solution.size(); ++i) {
            if (i % stride == 0) {
                ASSERT_FALSE(solver::positionProvedLost(session.board)) << "before move " << i;
            }
            session.key(solver::keyForMoveLetter(source.solution[i]));
            if (session.blastRedrawPending()) session.serveBlastRedraw();
        }
        EXPECT_TRUE(session.board.solved());
    }
}

}  // namespace
}  // namespace prismcrate
