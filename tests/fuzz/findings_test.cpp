// What the fuzzers found, each with the smallest input that shows it. The inputs live in
// tests/fuzz/findings/<target>/ and are also replayed through every check.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/checks.h"
#include "levels/level_text.h"
#include "media/dib.h"

namespace prismcrate {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> finding(const char* target, const char* name) {
    const fs::path path =
        fs::path(PRISMCRATE_SOURCE_DIR) / "tests" / "fuzz" / "findings" / target / name;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The text parser took a carriage return inside a title ("Title: a\rb") as part of the
// title; the writer then refused that title as a line break, so the parsed level could not
// be written back. Such a title is now refused where it stands.
TEST(Findings, TitleHoldingACarriageReturnIsRefusedOnItsLine) {
    const auto bytes = finding("level_text", "title-holding-a-carriage-return.txt");
    const std::string text(bytes.begin(), bytes.end());
    try {
        parseLevelText(text);
        ADD_FAILURE() << "the title was accepted";
    } catch (const LevelTextError& e) {
        EXPECT_EQ(e.line(), 1);
        EXPECT_EQ(std::string(e.what()), "the title holds a line break (carriage return)");
    }
    EXPECT_NO_THROW(fuzz::checkLevelText(bytes));

    // A title ending the line just before a CRLF is the one carriage return that belongs
    // to the line end, not to the title.
    std::string crlf = text;
    crlf.replace(crlf.find("a\rb"), 3, "ab\r");
    ASSERT_EQ(parseLevelText(crlf).size(), 1u);
    EXPECT_EQ(parseLevelText(crlf)[0].record.title, "ab");
}

// 87 bytes claiming a run-length picture of 261 x 31077 pixels: the reader decodes it as
// the format allows, and checking the eight million pixels it gives stays quick (the
// fuzz check once built a text for every pixel and ran past the fuzzer's time limit).
TEST(Findings, RunLengthPictureOfEightMillionPixelsFromEightySevenBytes) {
    const auto bytes = finding("bitmap", "rle8-eight-million-pixels-from-87-bytes.bmp");
    ASSERT_EQ(bytes.size(), 87u);
    const DibImage image = decodeBitmapFile(bytes);
    EXPECT_EQ(image.width, 261);
    EXPECT_EQ(image.height, 31077);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NO_THROW(fuzz::checkBitmap(bytes));
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
              10.0);
}

}  // namespace
}  // namespace prismcrate
