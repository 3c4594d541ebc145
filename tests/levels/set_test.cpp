#include <gtest/gtest.h>

#include <random>

#include "levels/level_set.h"
#include "tests/levels/level_fixtures.h"

namespace prismcrate {
namespace {

using testing::Bytes;
using testing::bytesOf;
using testing::sampleLevel;

Bytes setOf(const std::vector<LevelRecord>& levels) {
    Bytes set;
    for (const LevelRecord& level : levels) appendSetEntry(set, encodeLevelRecord(level));
    return set;
}

std::vector<std::string> titles(const std::vector<SetEntry>& entries) {
    std::vector<std::string> out;
    for (const SetEntry& e : entries) out.push_back(e.title);
    return out;
}

LevelRecord withRobotAt(LevelRecord level, int x) {
    level.playerX = static_cast<std::uint8_t>(x);
    return level;
}

TEST(LevelSet, EntriesAreTheFilesEachFollowedBy0xFF) {
    const Bytes a = encodeLevelRecord(sampleLevel("a"));
    const Bytes b = encodeLevelRecord(sampleLevel(""));
    Bytes set;
    appendSetEntry(set, a);
    appendSetEntry(set, b);
    EXPECT_EQ(set, testing::concat({a, bytesOf({0xFF}), b, bytesOf({0xFF})}));
}

TEST(LevelSet, WalkListsTitlesAndOffsets) {
    const Bytes set = setOf({sampleLevel("one"), sampleLevel(""), sampleLevel("three")});
    const auto entries = walkLevelSet(set);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(titles(entries), (std::vector<std::string>{"one", "", "three"}));
    EXPECT_EQ(entries[0].offset, 0u);
    const std::size_t first = encodeLevelRecord(sampleLevel("one")).size() + 1;
    EXPECT_EQ(entries[1].offset, first);

    EXPECT_TRUE(walkLevelSet(Bytes{}).empty()) << "an empty set lists nothing";
    EXPECT_TRUE(walkLevelSet(bytesOf({0xFF, 0xFF, 0x00})).empty());
}

TEST(LevelSet, LevelZeroIsTheRecordAtOffsetZero) {
    // A set holding one level and no separator at all: level 0 is still read at once.
    const Bytes set = encodeLevelRecord(sampleLevel("alone"));
    LevelRecord level;
    EXPECT_EQ(readSetLevel(set, 0, level), SetLevelStatus::Loaded);
    EXPECT_EQ(level, sampleLevel("alone"));
    EXPECT_EQ(readSetLevel(set, 1, level), SetLevelStatus::NoSuchLevel);
}

TEST(LevelSet, EachIndexLoadsItsOwnLevel) {
    std::vector<LevelRecord> levels;
    for (int i = 0; i < 6; ++i)
        levels.push_back(withRobotAt(sampleLevel("L" + std::to_string(i)), i + 1));
    const Bytes set = setOf(levels);
    for (int i = 0; i < 6; ++i) {
        LevelRecord level;
        ASSERT_EQ(readSetLevel(set, i, level), SetLevelStatus::Loaded);
        EXPECT_EQ(level, levels[i]);
    }
}

TEST(LevelSet, IndexPastTheLastLevelReadsNothing) {
    const Bytes set = setOf({sampleLevel("a"), sampleLevel("b")});
    const LevelRecord before = sampleLevel("before");
    for (long long index : {2LL, 3LL, 1000000LL, -1LL}) {
        LevelRecord level = before;
        EXPECT_EQ(readSetLevel(set, index, level), SetLevelStatus::NoSuchLevel) << index;
        EXPECT_EQ(level, before);
    }
}

TEST(LevelSet, TitleHoldingYaLoadsTheLevelsTheListShows) {
    // "я" is 0xFF in cp1251, the same byte as the separator.
    const std::vector<LevelRecord> levels = {
        withRobotAt(sampleLevel("first"), 1), withRobotAt(sampleLevel("\xFF\xFF z \xFF"), 2),
        withRobotAt(sampleLevel("third"), 3), withRobotAt(sampleLevel("fourth"), 4)};
    const Bytes set = setOf(levels);
    const auto entries = walkLevelSet(set);
    ASSERT_EQ(titles(entries),
              (std::vector<std::string>{"first", "\xFF\xFF z \xFF", "third", "fourth"}));
    for (int i = 0; i < 4; ++i) {
        LevelRecord level;
        ASSERT_EQ(readSetLevel(set, i, level), SetLevelStatus::Loaded) << i;
        EXPECT_EQ(level, levels[i]) << "row " << i + 1 << " loads the level it shows";
    }
}

TEST(LevelSet, RecordWithADamagedRobotIsRefusedAndTheNextStillLoads) {
    Bytes bad = encodeLevelRecord(sampleLevel("bad"));
    bad[bad.size() - 2] = 25;
    Bytes set;
    appendSetEntry(set, bad);
    appendSetEntry(set, encodeLevelRecord(sampleLevel("good")));
    LevelRecord level = sampleLevel("before");
    EXPECT_EQ(readSetLevel(set, 0, level), SetLevelStatus::RobotOffField);
    EXPECT_EQ(level, sampleLevel("before"));
    EXPECT_EQ(readSetLevel(set, 1, level), SetLevelStatus::Loaded);
    EXPECT_EQ(level.title, "good");
}

TEST(LevelSet, NonLevelBytesAreSkippedFourAtATime) {
    // Bytes before a record are tried as magics in steps of four.
    const Bytes record = encodeLevelRecord(sampleLevel("found"));
    const Bytes aligned =
        testing::concat({bytesOf({1, 2, 3, 4, 5, 6, 7, 8}), record, bytesOf({0xFF})});
    auto entries = walkLevelSet(aligned);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].offset, 8u);
    EXPECT_EQ(entries[0].title, "found");
    LevelRecord level;
    EXPECT_EQ(readSetLevel(aligned, 0, level), SetLevelStatus::Loaded);
    EXPECT_EQ(level.title, "found");

    const Bytes misaligned = testing::concat({bytesOf({1, 2}), record, bytesOf({0xFF})});
    EXPECT_TRUE(walkLevelSet(misaligned).empty());

    // A last entry cut inside its title still lists what there is, and the walk ends.
    const Bytes cut(record.begin(), record.begin() + 7);
    entries = walkLevelSet(cut);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].title, "fo");
}

TEST(LevelSet, WalkOfRandomBytesEndsAndOnlyListsMagics) {
    for (unsigned seed = 1; seed <= 400; ++seed) {
        std::mt19937 rng(seed);
        Bytes bytes;
        const int pieces = std::uniform_int_distribution<int>(0, 12)(rng);
        for (int p = 0; p < pieces; ++p) {
            if (rng() % 3 == 0) {
                const Bytes record = encodeLevelRecord(testing::randomRecord(rng));
                bytes.insert(bytes.end(), record.begin(),
                             record.begin() + rng() % (record.size() + 1));
            } else {
                const int n = static_cast<int>(rng() % 40);
                for (int i = 0; i < n; ++i) bytes.push_back(static_cast<std::uint8_t>(rng()));
            }
        }
        const auto entries = walkLevelSet(bytes);
        std::size_t last = 0;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            ASSERT_LE(entries[i].offset + 4, bytes.size());
            EXPECT_EQ(bytes[entries[i].offset], 0x4B);
            EXPECT_EQ(bytes[entries[i].offset + 3], 0x00);
            if (i > 0) {
                EXPECT_GT(entries[i].offset, last);
            }
            last = entries[i].offset;
            LevelRecord level;
            readSetLevel(bytes, static_cast<long long>(i), level);
        }
        EXPECT_LE(walkLevelSet(bytes, 2).size(), 2u);
    }
}

TEST(LevelSet, ListedTitleShowsHashAndNumberForAnEmptyTitle) {
    EXPECT_EQ(listedTitle("", 2), "#2");
    EXPECT_EQ(listedTitle("Плита", 3), "Плита");
}

}  // namespace
}  // namespace prismcrate
