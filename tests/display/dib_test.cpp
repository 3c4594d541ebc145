#include "media/dib.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>

#include "platform/soft2d.h"
#include "tests/display/bitmap_bytes.h"

namespace prismcrate {
namespace {

using soft2d::rgbPixel;
using testing::Bytes;
using testing::coreHeader;
using testing::infoHeader;

const std::uint32_t kBlack = rgbPixel(0, 0, 0);

std::string errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EInvalidGraphic& e) {
        return e.what();
    }
    return "<no error>";
}

std::string dataError(const Bytes& b) {
    return errorOf([&] { decodeDibData(b.data); });
}

std::vector<std::uint32_t> row(const DibImage& image, int y) {
    std::vector<std::uint32_t> out;
    for (int x = 0; x < image.width; ++x) out.push_back(image.pixel(x, y));
    return out;
}

TEST(DibReader, OneBitRowsAreStoredBottomUpMostSignificantBitFirstAndPadded) {
    const std::uint32_t red = rgbPixel(255, 0, 0), blue = rgbPixel(0, 0, 255);
    Bytes b = infoHeader(10, 2, 1, 0, 2);
    b.quad(255, 0, 0).quad(0, 0, 255);
    std::size_t start = b.size();
    b.bytes({0b10101010, 0b10000000}).padRow(start);  // bottom row
    start = b.size();
    b.bytes({0b00000111, 0b11000000}).padRow(start);  // top row
    const DibImage image = decodeDibData(b.data);
    ASSERT_EQ(image.width, 10);
    ASSERT_EQ(image.height, 2);
    EXPECT_EQ(image.bitCount, 1);
    EXPECT_EQ(row(image, 0),
              (std::vector<std::uint32_t>{red, red, red, red, red, blue, blue, blue, blue, blue}));
    EXPECT_EQ(row(image, 1),
              (std::vector<std::uint32_t>{blue, red, blue, red, blue, red, blue, red, blue, red}));
}

TEST(DibReader, FourBitReadsTheHighNibbleFirstWithAFullTableWhenColoursUsedIsZero) {
    Bytes b = infoHeader(3, 1, 4);
    for (int i = 0; i < 16; ++i) b.quad(i * 16, 0, 0);
    const std::size_t start = b.size();
    b.bytes({0x1F, 0x20}).padRow(start);
    const DibImage image = decodeDibData(b.data);
    EXPECT_EQ(row(image, 0), (std::vector<std::uint32_t>{rgbPixel(16, 0, 0), rgbPixel(240, 0, 0),
                                                         rgbPixel(32, 0, 0)}));
}

TEST(DibReader, EightBitTableHasColoursUsedEntriesAndIndicesPastItAreBlack) {
    Bytes b = infoHeader(4, 1, 8, 0, 3);
    b.quad(1, 2, 3).quad(4, 5, 6).quad(7, 8, 9);
    b.bytes({0, 1, 2, 200});  // directly after three entries
    const DibImage image = decodeDibData(b.data);
    EXPECT_EQ(row(image, 0), (std::vector<std::uint32_t>{rgbPixel(1, 2, 3), rgbPixel(4, 5, 6),
                                                         rgbPixel(7, 8, 9), kBlack}));
}

TEST(DibReader, SixteenBitIs555UnlessMasksSay565) {
    Bytes plain = infoHeader(4, 1, 16);
    plain.u16(0x7C00).u16(0x03E0).u16(0x001F).u16(0x4210);
    EXPECT_EQ(row(decodeDibData(plain.data), 0),
              (std::vector<std::uint32_t>{rgbPixel(255, 0, 0), rgbPixel(0, 255, 0),
                                          rgbPixel(0, 0, 255), rgbPixel(132, 132, 132)}));

    Bytes masked555 = infoHeader(1, 1, 16, 3);
    masked555.u32(0x7C00).u32(0x03E0).u32(0x001F).u16(0x7FFF).u16(0);
    EXPECT_EQ(decodeDibData(masked555.data).pixel(0, 0), rgbPixel(255, 255, 255));

    Bytes b565 = infoHeader(4, 1, 16, 3);
    b565.u32(0xF800).u32(0x07E0).u32(0x001F);
    b565.u16(0xF800).u16(0x07E0).u16(0x001F).u16(0x0400);
    EXPECT_EQ(row(decodeDibData(b565.data), 0),
              (std::vector<std::uint32_t>{rgbPixel(255, 0, 0), rgbPixel(0, 255, 0),
                                          rgbPixel(0, 0, 255), rgbPixel(0, 130, 0)}));
}

TEST(DibReader, TwentyFourBitIsBlueGreenRedWithPaddedRows) {
    Bytes b = infoHeader(2, 2, 24);
    std::size_t start = b.size();
    b.bytes({1, 2, 3, 4, 5, 6}).padRow(start);  // bottom
    start = b.size();
    b.bytes({7, 8, 9, 10, 11, 12}).padRow(start);  // top
    const DibImage image = decodeDibData(b.data);
    EXPECT_EQ(row(image, 0), (std::vector<std::uint32_t>{rgbPixel(9, 8, 7), rgbPixel(12, 11, 10)}));
    EXPECT_EQ(row(image, 1), (std::vector<std::uint32_t>{rgbPixel(3, 2, 1), rgbPixel(6, 5, 4)}));
}

TEST(DibReader, ThirtyTwoBitIgnoresTheFourthByteAndFollowsMasksInAnyOrder) {
    Bytes plain = infoHeader(1, 1, 32);
    plain.bytes({10, 20, 30, 0x55});
    EXPECT_EQ(decodeDibData(plain.data).pixel(0, 0), rgbPixel(30, 20, 10));

    Bytes masked = infoHeader(1, 1, 32, 3);
    masked.u32(0xFF000000).u32(0x00000FF0).u32(0x00FF0000);
    masked.u32((200u << 24) | (100u << 16) | (50u << 4));
    EXPECT_EQ(decodeDibData(masked.data).pixel(0, 0), rgbPixel(200, 50, 100));
}

TEST(DibReader, Rle8RunsAbsoluteRunsEndOfLineDeltaAndEndOfBitmap) {
    const std::uint32_t c[] = {rgbPixel(0, 0, 1), rgbPixel(0, 0, 2), rgbPixel(0, 0, 3),
                               rgbPixel(0, 0, 4)};
    Bytes b = infoHeader(6, 3, 8, 1, 4);
    b.quad(0, 0, 1).quad(0, 0, 2).quad(0, 0, 3).quad(0, 0, 4);
    b.bytes({3, 1});              // bottom row: three of index 1
    b.bytes({0, 3, 2, 3, 0, 0});  // absolute 2, 3, 0 and a pad byte
    b.bytes({0, 0});              // end of line
    b.bytes({0, 2, 2, 1});        // delta: two right, one up: middle row left untouched
    b.bytes({2, 3});              // two of index 3 on the top row at x = 2
    b.bytes({0, 1});              // end of bitmap
    b.bytes({5, 1});              // never read
    const DibImage image = decodeDibData(b.data);
    EXPECT_EQ(row(image, 0), (std::vector<std::uint32_t>{c[0], c[0], c[3], c[3], c[0], c[0]}));
    EXPECT_EQ(row(image, 1), std::vector<std::uint32_t>(6, c[0]));
    EXPECT_EQ(row(image, 2), (std::vector<std::uint32_t>{c[1], c[1], c[1], c[2], c[3], c[0]}));
}

TEST(DibReader, Rle4SplitsBytesIntoNibblesAndPadsAbsoluteRuns) {
    Bytes b = infoHeader(8, 1, 4, 2);
    for (int i = 0; i < 16; ++i) b.quad(i, 0, 0);
    b.bytes({3, 0x12});                    // 1, 2, 1
    b.bytes({0, 5, 0x34, 0x56, 0x70, 0});  // 3, 4, 5, 6, 7: three bytes and a pad byte
    b.bytes({0, 1});
    const DibImage image = decodeDibData(b.data);
    std::vector<std::uint32_t> expected;
    for (int i : {1, 2, 1, 3, 4, 5, 6, 7}) expected.push_back(rgbPixel(i, 0, 0));
    EXPECT_EQ(row(image, 0), expected);
}

TEST(DibReader, CoreHeaderHasSixteenBitSizesAndThreeByteEntries) {
    Bytes b = coreHeader(2, 1, 8);
    for (int i = 0; i < 256; ++i) b.triple(i, 255 - i, 7);
    b.bytes({5, 250, 0, 0});
    const DibImage image = decodeDibData(b.data);
    EXPECT_EQ(row(image, 0),
              (std::vector<std::uint32_t>{rgbPixel(5, 250, 7), rgbPixel(250, 5, 7)}));

    Bytes rgb = coreHeader(1, 1, 24);
    rgb.bytes({1, 2, 3, 0});
    EXPECT_EQ(decodeDibData(rgb.data).pixel(0, 0), rgbPixel(3, 2, 1));
}

TEST(DibReader, TopDownImageComesOutTheRightWayUp) {
    Bytes b = infoHeader(1, -2, 24);
    b.bytes({0, 0, 255, 0});  // first in the data: the top row
    b.bytes({255, 0, 0, 0});
    const DibImage image = decodeDibData(b.data);
    ASSERT_EQ(image.height, 2);
    EXPECT_EQ(image.pixel(0, 0), rgbPixel(255, 0, 0));
    EXPECT_EQ(image.pixel(0, 1), rgbPixel(0, 0, 255));
}

TEST(DibReader, StoredFormCarriesTheClassNameBeforeTheData) {
    Bytes dib = infoHeader(1, 1, 24);
    dib.bytes({1, 2, 3, 0});
    EXPECT_EQ(decodeDibStream(testing::dibStream(dib)).pixel(0, 0), rgbPixel(3, 2, 1));
    EXPECT_EQ(errorOf([&] { decodeDibStream(testing::dibStream(dib, "TBMP")); }), "DIB is invalid");
    EXPECT_EQ(errorOf([&] { decodeDibStream(testing::dibStream(dib, "TDIBX")); }),
              "DIB is invalid");
    EXPECT_TRUE(decodeDibStream({}).empty()) << "an empty stream is an empty bitmap";
    EXPECT_TRUE(decodeDibStream(testing::dibStream(Bytes{})).empty());
    Bytes twoBytes;
    twoBytes.u16(40);
    EXPECT_EQ(errorOf([&] { decodeDibStream(testing::dibStream(twoBytes)); }), "DIB is invalid");
    const std::vector<std::uint8_t> cutName = {4, 'T', 'D'};
    EXPECT_EQ(errorOf([&] { decodeDibStream(cutName); }), "DIB is invalid");
}

TEST(DibReader, FileFormNeedsTheWholeBmHeader) {
    Bytes dib = infoHeader(1, 1, 24);
    dib.bytes({1, 2, 3, 0});
    std::vector<std::uint8_t> file = testing::bitmapFile(dib);
    EXPECT_EQ(decodeBitmapFile(file).pixel(0, 0), rgbPixel(3, 2, 1));
    EXPECT_TRUE(decodeBitmapFile({}).empty());
    const std::vector<std::uint8_t> shortHeader(file.begin(), file.begin() + 10);
    EXPECT_EQ(errorOf([&] { decodeBitmapFile(shortHeader); }), "DIB is invalid");
    file[1] = 'A';
    EXPECT_EQ(errorOf([&] { decodeBitmapFile(file); }), "DIB is invalid");
}

TEST(DibReader, ErrorsUseTheirExactTexts) {
    Bytes v4;
    v4.u32(108);
    for (int i = 0; i < 104; ++i) v4.u8(0);
    EXPECT_EQ(dataError(v4), "DIB is invalid");
    EXPECT_EQ(dataError(infoHeader(1, 1, 8, 4)), "DIB is invalid");
    EXPECT_EQ(dataError(infoHeader(1, 1, 2)), "Bitcount in invalid (2)");
    EXPECT_EQ(dataError(infoHeader(1, 1, 0)), "Bitcount in invalid (0)");
    EXPECT_EQ(dataError(coreHeader(1, 1, 30000)), "Bitcount in invalid (30000)");

    Bytes b880 = infoHeader(1, 1, 16, 3);
    b880.u32(0xFF00).u32(0x00FF).u32(0).u32(0);
    EXPECT_EQ(dataError(b880), "PixelFormat in invalid");
    Bytes b8masks = infoHeader(1, 1, 8, 3);
    b8masks.u32(0xE0).u32(0x1C).u32(0x03);
    EXPECT_EQ(dataError(b8masks), "PixelFormat in invalid");
    Bytes b1010 = infoHeader(1, 1, 32, 3);
    b1010.u32(0x3FF00000).u32(0x000FFC00).u32(0x000003FF).u32(0);
    EXPECT_EQ(dataError(b1010), "PixelFormat in invalid");
    Bytes overlapping = infoHeader(1, 1, 32, 3);
    overlapping.u32(0xFF0000).u32(0xFF0000).u32(0xFF).u32(0);
    EXPECT_EQ(dataError(overlapping), "PixelFormat in invalid");
}

TEST(DibReader, DataThatEndsEarlyIsInvalidWherever) {
    Bytes complete = infoHeader(4, 2, 8, 0, 2);
    complete.quad(1, 1, 1).quad(2, 2, 2).u32(0).u32(0x01010101);
    ASSERT_NO_THROW(decodeDibData(complete.data));
    for (std::size_t cut = 1; cut < complete.size(); ++cut) {
        const std::vector<std::uint8_t> part(complete.data.begin(), complete.data.begin() + cut);
        EXPECT_EQ(errorOf([&] { decodeDibData(part); }), "DIB is invalid") << "cut at " << cut;
    }
}

TEST(DibReader, AbsurdSizesAreRefusedBeforeAnythingIsAllocated) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(dataError(infoHeader(100000, 100000, 24)), "DIB is invalid");
    Bytes rle = infoHeader(32767, 32767, 8, 1, 1);
    rle.quad(0, 0, 0).bytes({0, 1});
    EXPECT_EQ(dataError(rle), "DIB is invalid") << "RLE data cannot vouch for the size";
    EXPECT_EQ(dataError(infoHeader(0x7FFFFFFF, -0x7FFFFFFF - 1, 32)), "DIB is invalid");
    EXPECT_EQ(dataError(infoHeader(4000, 4000, 24)), "DIB is invalid") << "rows not there";
    EXPECT_EQ(dataError(infoHeader(-1, 1, 24)), "DIB is invalid");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_TRUE(decodeDibData(infoHeader(0, 5, 24).data).empty());
}

TEST(DibReader, RunLengthRulesThatDoNotFitTheImage) {
    EXPECT_EQ(dataError(infoHeader(2, -2, 8, 1)), "DIB is invalid") << "top-down RLE";
    EXPECT_EQ(dataError(infoHeader(2, 2, 4, 1)), "DIB is invalid") << "RLE8 at 4 bits";
    EXPECT_EQ(dataError(infoHeader(2, 2, 8, 2)), "DIB is invalid") << "RLE4 at 8 bits";
}

TEST(DibReader, HostileRunLengthDataStaysInsideTheImageAndEnds) {
    // Runs longer than the row, absolute runs past the row, deltas past both edges,
    // no end marker, and an absolute run cut off by the end of the data.
    Bytes b = infoHeader(3, 2, 8, 1, 2);
    b.quad(0, 0, 0).quad(9, 9, 9);
    b.bytes({255, 1});
    b.bytes({0, 5, 1, 1, 1, 1, 1, 0});
    b.bytes({0, 2, 255, 0});
    b.bytes({0, 2, 255, 255});
    b.bytes({200, 1});
    b.bytes({0, 9, 1});
    const DibImage image = decodeDibData(b.data);
    EXPECT_EQ(row(image, 1), std::vector<std::uint32_t>(3, rgbPixel(9, 9, 9)));
    EXPECT_EQ(row(image, 0), std::vector<std::uint32_t>(3, kBlack));

    Bytes deltas = infoHeader(1000, 1000, 8, 1, 1);
    deltas.quad(4, 4, 4);
    for (int i = 0; i < 10000; ++i) deltas.bytes({0, 2, 255, 0});
    const DibImage empty = decodeDibData(deltas.data);
    EXPECT_EQ(empty.pixel(999, 999), rgbPixel(4, 4, 4)) << "unreached pixels take index 0";
}

TEST(DibReader, LoadFromFileReportsAMissingFileByName) {
    TDIB dib;
    try {
        dib.LoadFromFile("/nonexistent/tiles1.bmp");
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_STREQ(e.what(), "Cannot open file /nonexistent/tiles1.bmp");
    }

    Bytes data = infoHeader(1, 1, 24);
    data.bytes({1, 2, 3, 0});
    const std::vector<std::uint8_t> file = testing::bitmapFile(data);
    const std::string path = ::testing::TempDir() + "dib_test_one_pixel.bmp";
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    }
    dib.LoadFromFile(path);
    EXPECT_EQ(dib.Width(), 1);
    EXPECT_EQ(dib.ScanLine(0)[0], rgbPixel(3, 2, 1));
    { std::ofstream truncate(path, std::ios::binary | std::ios::trunc); }
    dib.LoadFromFile(path);
    EXPECT_TRUE(dib.Empty()) << "an empty file is an empty bitmap";
    std::remove(path.c_str());
}

}  // namespace
}  // namespace prismcrate
