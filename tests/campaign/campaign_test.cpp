// The standard level set: every source in assets/levels/ is a designed level whose
// recorded solution solves it through the real rules, and the set the build packs from
// them is what the program lists and plays.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "levels/cp1251.h"
#include "levels/level_set.h"
#include "levels/level_text.h"
#include "tests/levels/temp_folder.h"
#include "tools/levels_tool/levels_tool.h"
#include "tools/levels_tool/replay.h"

namespace prismcrate {
namespace {

constexpr std::size_t kMinimumLevels = 60;
constexpr std::size_t kLongestTitle = 30;
const std::string kSolutionTag = "; solution:";

struct Source {
    std::string path;
    std::string name;  // file name
    LevelRecord level;
    std::string solution;
    int solutionLines = 0;
};

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<Source> loadSources() {
    std::vector<Source> sources;
    const auto folder = std::filesystem::path(PRISMCRATE_SOURCE_DIR) / "assets" / "levels";
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".txt") continue;
        Source source;
        source.path = entry.path().string();
        source.name = entry.path().filename().string();
        const std::string text = readText(source.path);
        const auto levels = parseLevelText(text);
        EXPECT_EQ(levels.size(), 1u) << source.name << ": one level per source file";
        if (!levels.empty()) source.level = levels[0].record;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.rfind(kSolutionTag, 0) != 0) continue;
            ++source.solutionLines;
            source.solution = line.substr(kSolutionTag.size());
            source.solution.erase(0, source.solution.find_first_not_of(' '));
            source.solution.erase(source.solution.find_last_not_of(' ') + 1);
        }
        sources.push_back(std::move(source));
    }
    std::sort(sources.begin(), sources.end(),
              [](const Source& a, const Source& b) { return a.name < b.name; });
    return sources;
}

const std::vector<Source>& sources() {
    static const std::vector<Source> all = loadSources();
    return all;
}

std::size_t codePoints(const std::string& utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

TEST(Campaign, HasEnoughLevelsNamedInPlayOrder) {
    ASSERT_GE(sources().size(), kMinimumLevels);
    for (std::size_t i = 0; i < sources().size(); ++i) {
        // "01-name.txt", "02-name.txt", ...: the build packs them in file-name order.
        const std::string number = (i + 1 < 10 ? "0" : "") + std::to_string(i + 1) + "-";
        EXPECT_EQ(sources()[i].name.rfind(number, 0), 0u) << sources()[i].name;
    }
}

// The climb at the end of the set, in moves of each level's stored solution (which the
// solver's shipped-level test proves optimal): the last 20 levels at least 60, the last
// five at least 120.
TEST(Campaign, TheLastLevelsAreLong) {
    const std::size_t count = sources().size();
    ASSERT_GE(count, kMinimumLevels);
    for (std::size_t i = count - 20; i < count; ++i) {
        const Source& source = sources()[i];
        EXPECT_GE(source.solution.size(), i >= count - 5 ? 120u : 60u) << source.name;
    }
}

TEST(Campaign, TitlesAreShortRussianAndDistinct) {
    std::vector<std::string> titles;
    for (const Source& source : sources()) {
        const std::string title = cp1251ToUtf8(source.level.title);
        EXPECT_FALSE(title.empty()) << source.name;
        EXPECT_LE(codePoints(title), kLongestTitle) << source.name << ": " << title;
        EXPECT_TRUE(utf8ToCp1251(title).ok()) << source.name;
        EXPECT_EQ(std::count(titles.begin(), titles.end(), title), 0)
            << source.name << ": " << title;
        titles.push_back(title);
    }
}

TEST(Campaign, EveryLevelStartsUnsolvedWithTheRobotAlive) {
    for (const Source& source : sources()) {
        Board board;
        putRecordOnBoard(source.level, board);
        EXPECT_FALSE(board.solved()) << source.name << ": a crate must start off its target";
        const ReplayResult arrival = replayLevel(source.level, "");
        EXPECT_EQ(arrival.outcome, ReplayOutcome::Unsolved)
            << source.name << ": the first pass must leave the robot alive and the level open";
    }
}

TEST(Campaign, EverySolutionSolvesItsLevelWithItsLastMove) {
    for (const Source& source : sources()) {
        ASSERT_EQ(source.solutionLines, 1) << source.name << ": one '; solution:' line";
        ASSERT_FALSE(source.solution.empty()) << source.name;
        ASSERT_EQ(findBadMoveLetter(source.solution), std::string_view::npos) << source.name;
        const ReplayResult result = replayLevel(source.level, source.solution);
        EXPECT_EQ(result.outcome, ReplayOutcome::Solved) << source.name;
        // The replay stops at the first solved pass, so a shorter prefix that already
        // solved the level would leave letters unplayed.
        EXPECT_EQ(result.movesPlayed, source.solution.size())
            << source.name << ": solved after " << result.movesPlayed << " moves";
    }
}

TEST(Campaign, CapitalsInSolutionsMarkExactlyThePushes) {
    for (const Source& source : sources()) {
        const std::string& moves = source.solution;
        Board before = replayLevel(source.level, "").board;
        for (std::size_t i = 0; i < moves.size(); ++i) {
            const Board after = replayLevel(source.level, moves.substr(0, i + 1)).board;
            const bool moved = after.playerX != before.playerX || after.playerY != before.playerY;
            const bool pushed = moved && isPushable(before.object(after.playerX, after.playerY));
            const bool capital = moves[i] >= 'A' && moves[i] <= 'Z';
            EXPECT_EQ(capital, pushed)
                << source.name << ": move " << i + 1 << " '" << moves[i] << "'";
            before = after;
        }
    }
}

std::vector<std::uint8_t> standardSet() {
    return testing::readBytes(std::string(PRISMCRATE_RUN_DIR) + "/levels/standart.lvp");
}

TEST(Campaign, TheBuiltSetHoldsTheSourcesInOrder) {
    const auto set = standardSet();
    const auto entries = walkLevelSet(set);
    ASSERT_EQ(entries.size(), sources().size());
    ASSERT_GE(entries.size(), kMinimumLevels);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        LevelRecord level;
        ASSERT_EQ(readSetLevel(set, static_cast<long long>(i), level), SetLevelStatus::Loaded);
        EXPECT_EQ(level, sources()[i].level) << "level " << i + 1 << " is " << sources()[i].name;
    }
}

TEST(Campaign, TheToolSolvesEveryLevelOfTheBuiltSet) {
    const std::string set = std::string(PRISMCRATE_RUN_DIR) + "/levels/standart.lvp";
    for (std::size_t i = 0; i < sources().size(); ++i) {
        std::ostringstream out;
        std::ostringstream err;
        const std::vector<std::string> args = {"replay", set, "--level", std::to_string(i + 1),
                                               sources()[i].solution};
        ASSERT_EQ(runLevelsTool(args, out, err), 0) << err.str();
        const std::string text = out.str();
        EXPECT_TRUE(text.ends_with("\nstatus: solved\n")) << sources()[i].name;
    }
}

}  // namespace
}  // namespace prismcrate
