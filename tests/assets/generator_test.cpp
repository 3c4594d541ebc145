// The committed assets are exactly what the generator makes, and the generator's pieces
// write the formats the game reads.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>

#include "tests/assets/asset_reader.h"
#include "tools/assetgen/canvas.h"
#include "tools/assetgen/cues.h"
#include "tools/assetgen/file_formats.h"
#include "tools/assetgen/pictures.h"

namespace prismcrate::assetgen::testing {
namespace {

namespace fs = std::filesystem;

// The pictures and sounds under a folder (other files, such as level sources, are not the
// generator's), by their path relative to it.
std::map<std::string, fs::path> mediaFilesUnder(const fs::path& dir) {
    std::map<std::string, fs::path> out;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        const std::string ext = e.path().extension().string();
        if (!e.is_regular_file() || (ext != ".bmp" && ext != ".wav" && ext != ".png")) continue;
        out[fs::relative(e.path(), dir).generic_string()] = e.path();
    }
    return out;
}

TEST(Generator, ReproducesTheCommittedAssets) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    QProcess gen;
    gen.start(QStringLiteral(PRISMCRATE_ASSETGEN), {tmp.path()});
    ASSERT_TRUE(gen.waitForFinished(120000));
    ASSERT_EQ(gen.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(gen.exitCode(), 0) << gen.readAllStandardError().toStdString();

    const auto made = mediaFilesUnder(tmp.path().toStdString());
    const auto committed = mediaFilesUnder(fs::path(PRISMCRATE_SOURCE_DIR) / "assets");
    ASSERT_EQ(made.size(), 13u);
    ASSERT_EQ(made.size(), committed.size());
    for (const auto& [name, path] : committed) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(made.count(name)) << "not made by the generator";
        if (path.extension() == ".png") {
            // PNG compression may vary with the library; the pixels may not.
            const QImage a = QImage(QString::fromStdString(path.string()))
                                 .convertToFormat(QImage::Format_ARGB32);
            const QImage b = QImage(QString::fromStdString(made.at(name).string()))
                                 .convertToFormat(QImage::Format_ARGB32);
            EXPECT_EQ(a, b);
        } else {
            EXPECT_TRUE(readBytes(path.string()) == readBytes(made.at(name).string()))
                << "differs from a fresh run of prismcrate-assetgen";
        }
    }
}

TEST(Generator, RefusesAWrongCommandLine) {
    QProcess gen;
    gen.start(QStringLiteral(PRISMCRATE_ASSETGEN), {});
    ASSERT_TRUE(gen.waitForFinished(10000));
    EXPECT_EQ(gen.exitCode(), 2);
    EXPECT_TRUE(gen.readAllStandardError().contains("usage"));
}

TEST(BmpWriter, PadsRowsAndStoresThemBottomUp) {
    EXPECT_EQ(bmpStride(1, 24), 4);
    EXPECT_EQ(bmpStride(2, 24), 8);
    EXPECT_EQ(bmpStride(4, 24), 12);
    EXPECT_EQ(bmpStride(5, 8), 8);
    EXPECT_EQ(bmpStride(648, 24), 1944);

    // 3 x 2: rows of 9 bytes padded to 12; the bottom row comes first.
    const std::vector<Rgb> px{{1, 2, 3},    {4, 5, 6},    {7, 8, 9},
                              {10, 11, 12}, {13, 14, 15}, {16, 17, 18}};
    const Bytes b = encodeBmp24(3, 2, px);
    ASSERT_EQ(b.size(), 54u + 24u);
    const std::optional<BmpFile> f = parseBmp(b);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->fileSize, 78u);
    EXPECT_EQ(f->imageSize, 24u);
    EXPECT_EQ(f->pixels, px);
    EXPECT_TRUE(f->paddingIsZero);
    EXPECT_EQ(b[54], 12);  // blue of the bottom-left pixel
    EXPECT_EQ(b[56], 10);  // its red

    EXPECT_THROW(encodeBmp24(3, 2, std::vector<Rgb>(5)), std::invalid_argument);
}

TEST(BmpWriter, EightBitFilesCarryAFullColourTable) {
    const std::vector<std::uint8_t> idx{0, 1, 2, 1, 0};
    const std::vector<Rgb> colours{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    const Bytes b = encodeBmp8(5, 1, idx, colours);
    ASSERT_EQ(b.size(), 54u + 1024u + 8u);
    const std::optional<BmpFile> f = parseBmp(b);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->pixelOffset, 1078u);
    EXPECT_EQ(f->clrUsed, 256u);
    EXPECT_EQ(f->indices, idx);
    EXPECT_EQ(f->colourTable[1], (Rgb{0, 255, 0}));
    EXPECT_EQ(f->colourTable[255], (Rgb{0, 0, 0}));
    EXPECT_TRUE(f->paddingIsZero);
    EXPECT_THROW(encodeBmp8(1, 1, {0}, std::vector<Rgb>(257)), std::invalid_argument);
}

TEST(WavWriter, WritesPcmHeaderAndOddLengthData) {
    const std::vector<std::uint8_t> samples{128, 200, 56};
    const Bytes b = encodeWav8(11025, samples);
    ASSERT_EQ(b.size(), 47u);
    const std::optional<WavFile> w = parseWav(b);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->riffSize, 39u);
    EXPECT_EQ(w->sampleRate, 11025u);
    EXPECT_EQ(w->byteRate, 11025u);
    EXPECT_EQ(w->blockAlign, 1);
    EXPECT_EQ(w->samples, samples);
}

TEST(SampleConversion, ScalesToThePeakAroundTheMiddle) {
    EXPECT_EQ(toUnsigned8({0, 1, -1, 0.5}, 0.5), (std::vector<std::uint8_t>{128, 192, 64, 160}));
    EXPECT_EQ(toUnsigned8({0, 0, 0}, 0.9), (std::vector<std::uint8_t>{128, 128, 128}));
    for (std::uint8_t s : toUnsigned8({-3, 7, 2}, 0.95)) {
        EXPECT_GE(s, 7);
        EXPECT_LE(s, 249);
    }
}

TEST(KeyedOutput, ThresholdsCoverageAndKeepsColoursAwayFromTheKey) {
    Canvas c(4, 1);
    c.setPixel(0, 0, rgb(0, 0, 0, 0.4));        // mostly uncovered: transparent
    c.setPixel(1, 0, rgb(255, 255, 255, 0.6));  // mostly covered: drawn, blended
    c.setPixel(2, 0, rgb(128, 0, 128));         // exactly the key, but opaque
    c.setPixel(3, 0, rgb(140, 20, 120));        // purple near the key
    const std::vector<Rgb> px = c.keyed(rgb(0, 0, 0));
    EXPECT_EQ(px[0], kKeyColour);
    EXPECT_EQ(px[1], (Rgb{153, 153, 153}));
    EXPECT_FALSE(px[2] == kKeyColour);
    EXPECT_FALSE(nearKey(px[2]));
    EXPECT_FALSE(nearKey(px[3]));
    EXPECT_EQ(px[3].r, 140);
}

TEST(ColourReduction, KeepsFewColoursExactlyAndBoundsMany) {
    const std::vector<Rgb> few{{1, 2, 3}, {200, 0, 0}, {1, 2, 3}};
    const IndexedImage a = reduceColours(few);
    ASSERT_EQ(a.indices.size(), 3u);
    for (std::size_t i = 0; i < few.size(); ++i) EXPECT_EQ(a.colours[a.indices[i]], few[i]);

    std::vector<Rgb> many;
    for (int i = 0; i < 4096; ++i) {
        many.push_back(Rgb{static_cast<std::uint8_t>(i % 16 * 16),
                           static_cast<std::uint8_t>(i / 16 % 16 * 16),
                           static_cast<std::uint8_t>(i / 256 * 16)});
    }
    // 4096 colours of a 16-level cube in 256 boxes: each box spans at most 4 levels (48
    // values) of a channel, so no colour moves more than 24 on any channel.
    const IndexedImage b = reduceColours(many);
    EXPECT_LE(b.colours.size(), 256u);
    ASSERT_EQ(b.indices.size(), many.size());
    for (std::size_t i = 0; i < many.size(); ++i) {
        const Rgb p = b.colours[b.indices[i]];
        EXPECT_LE(std::max({std::abs(p.r - many[i].r), std::abs(p.g - many[i].g),
                            std::abs(p.b - many[i].b)}),
                  24);
    }
}

}  // namespace
}  // namespace prismcrate::assetgen::testing
