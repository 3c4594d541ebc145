// Resource limits of the readers: a file is refused before anything is allocated for what
// it only claims, no reader asks for more memory than the file can justify, and every
// loop ends within a time the input's size allows.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "levels/level_record.h"
#include "levels/level_set.h"
#include "levels/level_text.h"
#include "media/dib.h"
#include "media/wave.h"
#include "tests/fuzz/allocation_probe.h"

namespace prismcrate {
namespace {

using testing::AllocationProbe;
using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void append(Bytes& b, const Bytes& more) {
    b.insert(b.end(), more.begin(), more.end());
}
void append(Bytes& b, const char* text) {
    b.insert(b.end(), text, text + std::strlen(text));
}

Bytes repeated(const Bytes& unit, std::size_t times) {
    Bytes b(unit.size() * times);
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = unit[i % unit.size()];
    return b;
}

Bytes infoHeader(std::int32_t width, std::int32_t height, int bitCount, std::uint32_t compression,
                 std::uint32_t colorsUsed = 0) {
    Bytes b;
    put32(b, 40);
    put32(b, static_cast<std::uint32_t>(width));
    put32(b, static_cast<std::uint32_t>(height));
    put16(b, 1);
    put16(b, static_cast<std::uint16_t>(bitCount));
    put32(b, compression);
    put32(b, 0);
    put32(b, 2835);
    put32(b, 2835);
    put32(b, colorsUsed);
    put32(b, 0);
    return b;
}

Bytes bitmapFile(const Bytes& dib) {
    Bytes b = {'B', 'M'};
    put32(b, static_cast<std::uint32_t>(14 + dib.size()));
    put32(b, 0);
    put32(b, 54);
    append(b, dib);
    return b;
}

Bytes storedForm(const Bytes& dib) {
    Bytes b = {4, 'T', 'D', 'I', 'B'};
    append(b, dib);
    return b;
}

// Decodes in both forms; returns the error text (empty when the bitmap was read) and the
// largest allocation either form made.
struct Refusal {
    std::string error;
    std::size_t largest = 0;
};
Refusal decodeBoth(const Bytes& dib) {
    Refusal r;
    AllocationProbe probe;
    std::string fileError;
    try {
        decodeBitmapFile(bitmapFile(dib));
    } catch (const EInvalidGraphic& e) {
        fileError = e.what();
    }
    try {
        decodeDibStream(storedForm(dib));
    } catch (const EInvalidGraphic& e) {
        r.error = e.what();
    }
    EXPECT_EQ(fileError, r.error) << "the two forms disagree";
    r.largest = probe.largest();
    return r;
}

double secondsFor(const std::function<void()>& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A little of everything a decoder allocates for bookkeeping, far below any picture.
constexpr std::size_t kSmall = 16 * 1024;

TEST(BitmapLimits, HeaderClaiming100000By100000IsRefusedBeforeAllocating) {
    for (const int bitCount : {1, 8, 24, 32}) {
        Bytes dib = infoHeader(100000, 100000, bitCount, 0);
        append(dib, Bytes(1024, 0x55));
        const Refusal r = decodeBoth(dib);
        EXPECT_EQ(r.error, "DIB is invalid") << bitCount << " bits";
        EXPECT_LT(r.largest, kSmall) << bitCount << " bits";
    }
    // Run-length images are sized by their header alone: the bound holds for them too.
    Bytes rle = infoHeader(100000, 100000, 8, 1);
    append(rle, Bytes(1024, 0));
    const Refusal r = decodeBoth(rle);
    EXPECT_EQ(r.error, "DIB is invalid");
    EXPECT_LT(r.largest, kSmall);
}

TEST(BitmapLimits, SizesAtTheEdgesOfTheHeaderFieldsAreRefusedBeforeAllocating) {
    const std::int32_t claims[][2] = {{INT_MAX, 1}, {1, INT_MAX}, {1, INT_MIN}, {-1, 1},
                                      {INT_MIN, 5}, {32768, 1},   {5000, 5000}};
    for (const auto& c : claims) {
        const Refusal r = decodeBoth(infoHeader(c[0], c[1], 24, 0));
        EXPECT_EQ(r.error, "DIB is invalid") << c[0] << " x " << c[1];
        EXPECT_LT(r.largest, kSmall) << c[0] << " x " << c[1];
    }
    // The core header's 16-bit sizes at their largest.
    Bytes core;
    put32(core, 12);
    put16(core, 0xFFFF);
    put16(core, 0xFFFF);
    put16(core, 1);
    put16(core, 24);
    const Refusal r = decodeBoth(core);
    EXPECT_EQ(r.error, "DIB is invalid");
    EXPECT_LT(r.largest, kSmall);
}

TEST(BitmapLimits, RowsTheDataDoesNotHoldAreNeverAllocated) {
    // 4000 x 4000 is within the reader's bounds, but the data holds one row of it.
    Bytes dib = infoHeader(4000, 4000, 24, 0);
    append(dib, Bytes(12000, 0x10));
    const Refusal r = decodeBoth(dib);
    EXPECT_EQ(r.error, "DIB is invalid");
    EXPECT_LT(r.largest, kSmall);

    // With every row there the picture is read, and the allocation is the picture's.
    Bytes whole = infoHeader(300, 200, 24, 0);
    append(whole, Bytes(900 * 200, 0x10));
    AllocationProbe probe;
    const DibImage image = decodeBitmapFile(bitmapFile(whole));
    EXPECT_EQ(image.width, 300);
    EXPECT_EQ(image.height, 200);
    EXPECT_LE(probe.largest(), bitmapFile(whole).size() + 300 * 200 * 4);
}

TEST(BitmapLimits, AColourCountInTheBillionsReadsAtMost256Entries) {
    Bytes dib = infoHeader(1, 1, 8, 0, 0xFFFFFFFFu);
    for (int i = 0; i < 256; ++i) put32(dib, 0x00010203u * static_cast<std::uint32_t>(i));
    append(dib, Bytes{7, 0, 0, 0});
    AllocationProbe probe;
    const DibImage image = decodeDibData(dib);
    EXPECT_EQ(image.pixel(0, 0), 0xFF000000u | (0x00010203u * 7));
    EXPECT_LT(probe.largest(), kSmall);
}

TEST(BitmapLimits, RunLengthDataEndsWithItsBytesWhateverItSays) {
    // A run-length picture of four million pixels from two bytes of data: the allocation
    // is the picture's own (indices and pixels) and nothing more.
    const std::int32_t side = 2048;
    Bytes tiny = infoHeader(side, side, 8, 1, 1);
    append(tiny, Bytes{0, 0, 0, 0});
    append(tiny, Bytes{0, 1});
    AllocationProbe probe;
    const DibImage big = decodeDibData(tiny);
    EXPECT_EQ(big.width, side);
    EXPECT_LE(probe.largest(), std::size_t(side) * side * 4);
    EXPECT_LE(probe.total(), std::size_t(side) * side * 5 + kSmall);

    // Runs into a 2 x 2 picture far past its width, and deltas that leap past its right
    // edge: the decoder walks the data once and stops at its end.
    const Bytes redGreen = {0, 0, 255, 0, 0, 255, 0, 0};
    Bytes runs = infoHeader(2, 2, 8, 1, 2);
    append(runs, redGreen);
    append(runs, repeated({255, 1}, 64 * 1024));
    Bytes deltas = infoHeader(2, 2, 8, 1, 2);
    append(deltas, redGreen);
    append(deltas, repeated({0, 2, 255, 0}, 256 * 1024));
    DibImage image;
    EXPECT_LT(secondsFor([&] { image = decodeDibData(runs); }), 10.0);
    EXPECT_EQ(image.pixel(0, 1), 0xFF00FF00u) << "the bottom row is green";
    EXPECT_EQ(image.pixel(1, 0), 0xFFFF0000u) << "the top row was never reached";
    EXPECT_LT(secondsFor([&] { decodeDibData(deltas); }), 10.0);
}

Bytes waveHeader() {
    Bytes b;
    append(b, "RIFF");
    put32(b, 0);
    append(b, "WAVE");
    return b;
}

TEST(WaveLimits, ChunkSizesBeyondTheFileAreRefusedWithoutAllocating) {
    for (const char* id : {"data", "fmt "}) {
        Bytes w = waveHeader();
        append(w, id);
        put32(w, 0xFFFFFFFFu);
        append(w, Bytes(64, 0x80));
        AllocationProbe probe;
        EXPECT_THROW(readWaveImage(w.data(), w.size()), EWaveStreamError) << id;
        EXPECT_LT(probe.largest(), kSmall) << id;
    }
    // An unknown chunk claiming 4 GiB ends the walk; the data before it is kept.
    Bytes w = waveHeader();
    append(w, "data");
    put32(w, 3);
    append(w, Bytes{1, 2, 3, 0});
    append(w, "junk");
    put32(w, 0xFFFFFFFFu);
    AllocationProbe probe;
    const WaveImage image = readWaveImage(w.data(), w.size());
    EXPECT_EQ(image.data, (Bytes{1, 2, 3}));
    EXPECT_LT(probe.largest(), kSmall);
}

TEST(WaveLimits, AMillionEmptyChunksAreWalkedOnceAndAllocateNothing) {
    Bytes w = waveHeader();
    append(w, repeated({'j', 'u', 'n', 'k', 0, 0, 0, 0}, 1000 * 1000));
    append(w, "data");
    put32(w, 2);
    append(w, Bytes{9, 8});
    AllocationProbe probe;
    WaveImage image;
    EXPECT_LT(secondsFor([&] { image = readWaveImage(w.data(), w.size()); }), 10.0);
    EXPECT_EQ(image.data, (Bytes{9, 8}));
    EXPECT_LT(probe.largest(), kSmall);
}

Bytes magic() {
    return {0x4B, 0xB1, 0x01, 0x00};
}

TEST(LevelLimits, ARecordReadAllocatesNoMoreThanItsTitle) {
    // Everything at its largest: a 255-byte title, run items of count 255 (each reaching
    // past its layer's end), and a megabyte after the record.
    Bytes record = magic();
    record.push_back(255);
    append(record, Bytes(255, 'x'));
    append(record, Bytes{0xFE, 0xFF, 3, 0xFE, 0xFF, 3, 0xFE, 0xFF, 1, 0xFE, 0xFF, 1, 5, 6});
    append(record, Bytes(1024 * 1024, 0xFE));
    AllocationProbe probe;
    LevelRecord level;
    const RecordRead read = readLevelRecord(record, 0, level);
    EXPECT_EQ(read.status, RecordStatus::Loaded);
    EXPECT_EQ(read.end, 4 + 1 + 255 + 14u);
    EXPECT_EQ(level.playerX, 5);
    EXPECT_LE(probe.largest(), 2 * 1024u);
}

TEST(LevelLimits, AWalkOfAHugeSetListsEveryLevelInLinearTime) {
    // 150 000 entries of the smallest form: magic, an empty title, the separator. The
    // format has no limit on the number of levels, and none is cut off.
    constexpr std::size_t kLevels = 150000;
    const Bytes set = repeated({0x4B, 0xB1, 0x01, 0x00, 0, 0xFF}, kLevels);
    std::vector<SetEntry> entries;
    EXPECT_LT(secondsFor([&] { entries = walkLevelSet(set); }), 10.0);
    ASSERT_EQ(entries.size(), kLevels);
    EXPECT_EQ(entries.back().offset, (kLevels - 1) * 6);

    LevelRecord level;
    EXPECT_NE(readSetLevel(set, kLevels - 1, level), SetLevelStatus::NoSuchLevel);
    EXPECT_EQ(readSetLevel(set, kLevels, level), SetLevelStatus::NoSuchLevel);
    EXPECT_LT(secondsFor([&] { readSetLevel(set, LLONG_MAX, level); }), 10.0);
    EXPECT_EQ(readSetLevel(set, LLONG_MAX, level), SetLevelStatus::NoSuchLevel);

    // Eight megabytes without a separator: one entry, one pass.
    const Bytes noSeparator = repeated(magic(), 2 * 1024 * 1024);
    EXPECT_LT(secondsFor([&] { entries = walkLevelSet(noSeparator); }), 10.0);
    EXPECT_EQ(entries.size(), 1u);
}

TEST(LevelLimits, TheTextParserIsLinearInItsInput) {
    std::string level = "Title: x\nObjects:\n@" + std::string(19, '-') + "\n";
    for (int i = 0; i < 19; ++i) level += std::string(20, '-') + "\n";
    level += "Floor:\n";
    for (int i = 0; i < 20; ++i) level += std::string(20, '-') + "\n";

    std::string many;
    for (int i = 0; i < 3000; ++i) many += level + ";\n\n";
    std::vector<TextLevel> levels;
    EXPECT_LT(secondsFor([&] { levels = parseLevelText(many); }), 10.0);
    EXPECT_EQ(levels.size(), 3000u);

    // A million comment lines, then a title line of a megabyte.
    std::string comments;
    for (int i = 0; i < 1000 * 1000; ++i) comments += ";\n";
    comments += "Title: " + std::string(1024 * 1024, 'a') + "\n";
    try {
        parseLevelText(comments);
        ADD_FAILURE() << "a title of a megabyte was accepted";
    } catch (const LevelTextError& e) {
        EXPECT_EQ(e.line(), 1000 * 1000 + 1);
    }
}

}  // namespace
}  // namespace prismcrate
