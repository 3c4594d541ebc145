// The standard set: the solver solves every level, its solutions replay to "solved", and
// the solution stored with each level's source is exactly as short as the optimum.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "levels/level_text.h"
#include "solver/solver.h"
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

TEST(ShippedLevels, SolvedOptimallyAndStoredSolutionsAreShortest) {
    const std::vector<Source> all = sources();
    ASSERT_FALSE(all.empty());
    for (const Source& source : all) {
        SCOPED_TRACE(source.name);
        Board board;
        putRecordOnBoard(source.level, board);
        solver::Options options;
        options.metric = solver::Metric::Moves;
        const solver::Result result = solver::solveLevel(board, options);
        ASSERT_EQ(result.status, solver::Status::Solved);
        const ReplayResult replay = replayLevel(source.level, result.moves);
        EXPECT_EQ(replay.outcome, ReplayOutcome::Solved) << result.moves;
        EXPECT_EQ(replay.movesPlayed, result.moves.size()) << result.moves;
        EXPECT_EQ(source.solution.size(), result.moves.size())
            << "the stored solution " << source.solution << " against the shortest "
            << result.moves;
    }
}

}  // namespace
}  // namespace prismcrate
