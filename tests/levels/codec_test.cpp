#include <gtest/gtest.h>

#include <random>

#include "levels/level_record.h"
#include "tests/levels/level_fixtures.h"

namespace prismcrate {
namespace {

using testing::Bytes;
using testing::bytesOf;
using testing::concat;
using testing::fileOrder;
using testing::layerInFileOrder;

const Bytes kMagic = bytesOf({0x4B, 0xB1, 0x01, 0x00});

Bytes encode(const Layer& layer) {
    Bytes out;
    encodeLayer(layer, out);
    return out;
}

// Splits an encoded layer into its items and checks that they cover exactly 400 cells
// with counts the program writes (1 to 253); returns the number of items.
int checkItems(const Bytes& bytes) {
    std::size_t pos = 0;
    int cells = 0;
    int items = 0;
    while (pos < bytes.size()) {
        ++items;
        if (bytes[pos] == kRunMarker) {
            EXPECT_LE(pos + 2, bytes.size() - 1);
            EXPECT_GE(bytes[pos + 1], 1) << "a single cell is a literal";
            EXPECT_LE(bytes[pos + 1], 253);
            cells += bytes[pos + 1] + 1;
            pos += 3;
        } else {
            cells += 1;
            pos += 1;
        }
    }
    EXPECT_EQ(cells, kCellCount);
    return items;
}

TEST(LayerCoder, WorkedExamples) {
    EXPECT_EQ(encode(Layer{}), bytesOf({0xFE, 0xFD, 0x00, 0xFE, 0x91, 0x00}));

    Layer corner{};
    corner[cellIndex(19, 19)] = 5;
    EXPECT_EQ(encode(corner), bytesOf({0xFE, 0xFD, 0x00, 0xFE, 0x90, 0x00, 0x05}));

    Layer full{};
    full.fill(kWall);
    EXPECT_EQ(encode(full), bytesOf({0xFE, 0xFD, 0x01, 0xFE, 0x91, 0x01}));
}

TEST(LayerCoder, RunsAreCutInto254CellChunks) {
    // Exactly 254 equal cells, then another value: one full chunk and no extra cell.
    std::vector<std::uint8_t> values(254, 3);
    values.resize(kCellCount, 0);
    EXPECT_EQ(encode(layerInFileOrder(values)), bytesOf({0xFE, 0xFD, 0x03, 0xFE, 0x91, 0x00}));

    // 255 equal cells: a chunk of 254, then the single remaining cell as a literal.
    values.assign(255, 3);
    values.resize(kCellCount, 0);
    EXPECT_EQ(encode(layerInFileOrder(values)),
              bytesOf({0xFE, 0xFD, 0x03, 0x03, 0xFE, 0x90, 0x00}));

    // Runs continue from the end of one row into the next (file order, not array order).
    Layer rows{};
    for (int x = 0; x < kFieldSize; ++x) {
        rows[cellIndex(x, 0)] = 2;
        rows[cellIndex(x, 1)] = 2;
    }
    EXPECT_EQ(encode(rows), bytesOf({0xFE, 0x27, 0x02, 0xFE, 0xFD, 0x00, 0xFE, 0x69, 0x00}));
}

TEST(LayerCoder, LastCellThatDiffersIsALiteralAndReadsBack) {
    LevelRecord level;
    level.objectLayer.fill(kEmpty);
    level.objectLayer[cellIndex(18, 19)] = kCrate;
    level.objectLayer[cellIndex(19, 19)] = kRock;
    level.floorLayer[cellIndex(19, 19)] = kFloorTarget;
    level.playerX = 19;
    level.playerY = 18;
    const Bytes bytes = encodeLevelRecord(level);
    const Bytes objects = encode(level.objectLayer);
    EXPECT_EQ(objects, bytesOf({0xFE, 0xFD, 0x00, 0xFE, 0x8F, 0x00, 0x02, 0x03}));

    LevelRecord read;
    const RecordRead result = readLevelRecord(bytes, 0, read);
    EXPECT_EQ(result.status, RecordStatus::Loaded);
    EXPECT_FALSE(result.truncated);
    EXPECT_EQ(result.end, bytes.size());
    EXPECT_EQ(read, level);
}

TEST(LevelRecordWriter, EmptyUntitledLevelIsNineteenBytes) {
    LevelRecord level;
    EXPECT_EQ(encodeLevelRecord(level),
              bytesOf({0x4B, 0xB1, 0x01, 0x00, 0x00, 0xFE, 0xFD, 0x00, 0xFE, 0x91, 0x00, 0xFE, 0xFD,
                       0x00, 0xFE, 0x91, 0x00, 0x00, 0x00}));
}

TEST(LevelRecordWriter, TitleIsItsLengthThenItsBytes) {
    LevelRecord level;
    level.title = std::string(30, 'A');
    level.title[29] = '\xFF';
    const Bytes bytes = encodeLevelRecord(level);
    ASSERT_EQ(bytes.size(), 19u + 30u);
    EXPECT_EQ(bytes[4], 0x1E);
    EXPECT_EQ(bytes[5], 'A');
    EXPECT_EQ(bytes[34], 0xFF);
    EXPECT_EQ(bytes[35], 0xFE) << "the object layer follows the title at once";

    // The length byte cannot say more than 255: a longer title keeps its first 255 bytes.
    level.title = std::string(300, 'b');
    const Bytes longTitle = encodeLevelRecord(level);
    EXPECT_EQ(longTitle[4], 255);
    LevelRecord read;
    ASSERT_EQ(readLevelRecord(longTitle, 0, read).status, RecordStatus::Loaded);
    EXPECT_EQ(read.title, std::string(255, 'b'));
}

TEST(LevelRecordWriter, RandomBoardsReadBackUnchanged) {
    for (unsigned seed = 1; seed <= 500; ++seed) {
        std::mt19937 rng(seed);
        const LevelRecord level = testing::randomRecord(rng);
        const Bytes bytes = encodeLevelRecord(level);
        checkItems(encode(level.objectLayer));
        checkItems(encode(level.floorLayer));
        for (std::size_t i = 5 + level.title.size(); i < bytes.size(); ++i)
            ASSERT_NE(bytes[i], 0xFF) << "only a title byte may be 0xFF (seed " << seed << ")";

        LevelRecord read = testing::sampleLevel("stale");
        const RecordRead result = readLevelRecord(bytes, 0, read);
        ASSERT_EQ(result.status, RecordStatus::Loaded) << seed;
        EXPECT_FALSE(result.truncated);
        EXPECT_EQ(result.end, bytes.size());
        ASSERT_EQ(read, level) << "seed " << seed;
    }
}

TEST(LevelRecordWriter, ACellHoldingTheRunMarkerStaysReadable) {
    // Only a damaged file can put 0xFE into a cell; written back it must not turn into a
    // run marker.
    LevelRecord level;
    level.objectLayer[cellIndex(3, 0)] = kRunMarker;
    LevelRecord read;
    ASSERT_EQ(readLevelRecord(encodeLevelRecord(level), 0, read).status, RecordStatus::Loaded);
    EXPECT_EQ(read, level);
}

TEST(LevelRecordReader, RunPastTheObjectLayerIsCutThere) {
    const Bytes bytes = concat(
        {kMagic, bytesOf({0x00}), bytesOf({0xFE, 0xFD, 0x00, 0xFE, 0xFD, 0x07}),  // 254 + 254
         bytesOf({0x01, 0xFE, 0xFD, 0x02, 0xFE, 0x90, 0x02}), bytesOf({0x04, 0x05})});
    LevelRecord level;
    const RecordRead result = readLevelRecord(bytes, 0, level);
    ASSERT_EQ(result.status, RecordStatus::Loaded);
    EXPECT_FALSE(result.truncated);
    EXPECT_EQ(result.end, bytes.size());
    const auto objects = fileOrder(level.objectLayer);
    EXPECT_EQ(std::count(objects.begin(), objects.begin() + 254, 0), 254);
    EXPECT_EQ(std::count(objects.begin() + 254, objects.end(), 7), 146);
    const auto floors = fileOrder(level.floorLayer);
    EXPECT_EQ(floors[0], 1);
    EXPECT_EQ(std::count(floors.begin() + 1, floors.end(), 2), 399);
    EXPECT_EQ(level.playerX, 4);
    EXPECT_EQ(level.playerY, 5);
}

TEST(LevelRecordReader, CountBytes254And255FillTheirCellsAndStopAtTheLayerEnd) {
    const Bytes bytes = concat({kMagic, bytesOf({0x00}),
                                bytesOf({0xFE, 0xFE, 0x05, 0xFE, 0xFF, 0x06}),  // 255 + 256
                                bytesOf({0xFE, 0xFF, 0x02, 0xFE, 0xFF, 0x03}),  // 256 + 256
                                bytesOf({0x01, 0x02})});
    LevelRecord level;
    const RecordRead result = readLevelRecord(bytes, 0, level);
    ASSERT_EQ(result.status, RecordStatus::Loaded);
    EXPECT_EQ(result.end, bytes.size());
    const auto objects = fileOrder(level.objectLayer);
    EXPECT_EQ(std::count(objects.begin(), objects.begin() + 255, 5), 255);
    EXPECT_EQ(std::count(objects.begin() + 255, objects.end(), 6), 145);
    const auto floors = fileOrder(level.floorLayer);
    EXPECT_EQ(std::count(floors.begin(), floors.begin() + 256, 2), 256);
    EXPECT_EQ(std::count(floors.begin() + 256, floors.end(), 3), 144);
    EXPECT_EQ(level.playerX, 1);
    EXPECT_EQ(level.playerY, 2);
}

TEST(LevelRecordReader, WrongMagicReadsNothing) {
    const LevelRecord before = testing::sampleLevel("before");
    Bytes bytes = encodeLevelRecord(LevelRecord{});
    for (const Bytes& wrong : {Bytes{}, bytesOf({0x4B}), bytesOf({0x4B, 0xB1, 0x01}),
                               bytesOf({0x4B, 0xB1, 0x01, 0x01}), bytesOf({0, 0, 0, 0})}) {
        Bytes damaged = bytes;
        std::copy(wrong.begin(), wrong.end(), damaged.begin());
        if (wrong.size() < 4) damaged = wrong;
        LevelRecord level = before;
        EXPECT_EQ(readLevelRecord(damaged, 0, level).status, RecordStatus::WrongMagic);
        EXPECT_EQ(level, before);
    }
}

TEST(LevelRecordReader, RobotOutsideTheFieldRefusesTheRecord) {
    const LevelRecord before = testing::sampleLevel("before");
    for (auto [x, y] :
         {std::pair{20, 0}, std::pair{0, 20}, std::pair{255, 255}, std::pair{19, 200}}) {
        Bytes bytes = encodeLevelRecord(testing::sampleLevel("damaged"));
        bytes[bytes.size() - 2] = static_cast<std::uint8_t>(x);
        bytes[bytes.size() - 1] = static_cast<std::uint8_t>(y);
        LevelRecord level = before;
        EXPECT_EQ(readLevelRecord(bytes, 0, level).status, RecordStatus::RobotOffField);
        EXPECT_EQ(level, before) << x << "," << y;
    }
    Bytes corner = encodeLevelRecord(testing::sampleLevel("corner"));
    corner[corner.size() - 2] = 19;
    corner[corner.size() - 1] = 19;
    LevelRecord level;
    EXPECT_EQ(readLevelRecord(corner, 0, level).status, RecordStatus::Loaded);
}

// Checks that `layer` holds `full`'s cells up to some point in file order and `stale`'s
// from there on; returns that point.
int decodedPrefix(const Layer& layer, const Layer& full, const Layer& stale) {
    const auto got = fileOrder(layer);
    const auto want = fileOrder(full);
    const auto old = fileOrder(stale);
    int t = 0;
    while (t < kCellCount && got[t] == want[t]) ++t;
    for (int i = t; i < kCellCount; ++i) EXPECT_EQ(got[i], old[i]) << "cell " << i;
    return t;
}

TEST(LevelRecordReader, FileCutShortAtEveryLengthCompletesWithStaleValues) {
    LevelRecord stale;
    stale.title = "old";
    stale.objectLayer.fill(200);
    stale.floorLayer.fill(201);
    stale.playerX = 17;
    stale.playerY = 16;

    for (unsigned seed = 1; seed <= 8; ++seed) {
        std::mt19937 rng(seed);
        LevelRecord full = testing::randomRecord(rng);
        if (seed == 1) full.title = "title";
        const Bytes bytes = encodeLevelRecord(full);
        for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
            const Bytes prefix(bytes.begin(), bytes.begin() + cut);
            LevelRecord level = stale;
            const RecordRead result = readLevelRecord(prefix, 0, level);
            EXPECT_LE(result.end, cut);
            if (cut < 4) {
                ASSERT_EQ(result.status, RecordStatus::WrongMagic);
                ASSERT_EQ(level, stale);
                continue;
            }
            ASSERT_EQ(result.status, RecordStatus::Loaded) << "cut " << cut;
            ASSERT_EQ(result.truncated, cut < bytes.size());
            if (cut == 4) {
                EXPECT_EQ(level.title, "old");
            } else {
                EXPECT_EQ(level.title, full.title.substr(0, cut - 5));
            }
            const int objects =
                decodedPrefix(level.objectLayer, full.objectLayer, stale.objectLayer);
            const int floors = decodedPrefix(level.floorLayer, full.floorLayer, stale.floorLayer);
            if (objects < kCellCount) {
                EXPECT_EQ(floors, 0) << "cut " << cut;
            }
            EXPECT_EQ(level.playerX, cut >= bytes.size() - 1 ? full.playerX : stale.playerX);
            EXPECT_EQ(level.playerY, cut == bytes.size() ? full.playerY : stale.playerY);
        }
    }
}

TEST(LevelRecordReader, ReadsAtAnOffsetAndNeverPastTheBuffer) {
    const Bytes record = encodeLevelRecord(testing::sampleLevel("x"));
    const Bytes bytes = concat({bytesOf({1, 2, 3}), record});
    LevelRecord level;
    EXPECT_EQ(readLevelRecord(bytes, 3, level).status, RecordStatus::Loaded);
    EXPECT_EQ(level, testing::sampleLevel("x"));
    EXPECT_EQ(readLevelRecord(bytes, bytes.size() + 10, level).status, RecordStatus::WrongMagic);

    // Random bytes after a magic: whatever they say, the reader ends inside the buffer.
    for (unsigned seed = 1; seed <= 300; ++seed) {
        std::mt19937 rng(seed);
        Bytes junk = kMagic;
        const int length = std::uniform_int_distribution<int>(0, 900)(rng);
        for (int i = 0; i < length; ++i)
            junk.push_back(static_cast<std::uint8_t>(
                std::uniform_int_distribution<int>(0, 9)(rng) < 3 ? 0xFE : rng() & 0xFF));
        LevelRecord any;
        const RecordRead result = readLevelRecord(junk, 0, any);
        EXPECT_LE(result.end, junk.size());
        EXPECT_LE(result.end, kMaxRecordBytes);
        if (result.status == RecordStatus::Loaded) {
            EXPECT_TRUE(onField(any.playerX, any.playerY));
        }
    }
}

}  // namespace
}  // namespace prismcrate
