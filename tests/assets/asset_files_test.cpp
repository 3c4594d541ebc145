// Checks the committed asset files against what the game's readers and drawing rely on.
#include <SDL.h>
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>

#include "tests/assets/asset_reader.h"

namespace prismcrate::assetgen::testing {
namespace {

const std::string kAssets = std::string(PRISMCRATE_SOURCE_DIR) + "/assets/";
constexpr Rgb kKey{128, 0, 128};

BmpFile loadBmp(const std::string& name) {
    const Bytes bytes = readBytes(kAssets + name);
    const std::optional<BmpFile> bmp = parseBmp(bytes);
    if (!bmp) ADD_FAILURE() << name << " is not a readable bitmap";
    return bmp.value_or(BmpFile{});
}

// Close to the key without being it: such a pixel would look purple-ish but be drawn.
bool closeToKey(Rgb c) {
    return !(c == kKey) && std::abs(c.r - 128) <= 32 && c.g <= 32 && std::abs(c.b - 128) <= 32;
}

int keyCount(const std::vector<Rgb>& px) {
    return static_cast<int>(std::count(px.begin(), px.end(), kKey));
}

// The key mask of a pattern turned a quarter clockwise.
std::vector<bool> turnedMask(const std::vector<Rgb>& px) {
    std::vector<bool> out(px.size());
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x) out[x * 24 + (23 - y)] = px[y * 24 + x] == kKey;
    }
    return out;
}

std::vector<bool> mask(const std::vector<Rgb>& px) {
    std::vector<bool> out;
    for (const Rgb& p : px) out.push_back(p == kKey);
    return out;
}

void expectStandardHeader(const BmpFile& f, int width, int height, int bits) {
    const int stride = ((width * bits + 31) / 32) * 4;
    const std::uint32_t table = bits == 8 ? 1024 : 0;
    EXPECT_EQ(f.width, width);
    EXPECT_EQ(f.height, height);
    EXPECT_EQ(f.bitCount, bits);
    EXPECT_EQ(f.planes, 1);
    EXPECT_EQ(f.compression, 0u);
    EXPECT_EQ(f.headerSize, 40u);
    EXPECT_EQ(f.pixelOffset, 54u + table);
    EXPECT_EQ(f.imageSize, static_cast<std::uint32_t>(stride * height));
    EXPECT_EQ(f.fileSize, 54u + table + f.imageSize);
    EXPECT_EQ(f.reserved1, 0);
    EXPECT_EQ(f.reserved2, 0);
    EXPECT_EQ(f.xPelsPerMeter, 0);
    EXPECT_EQ(f.yPelsPerMeter, 0);
    EXPECT_TRUE(f.paddingIsZero);
}

TEST(SpriteSheets, HaveTheirSizesAndPlainHeaders) {
    for (const auto& [name, width, count] :
         {std::tuple{"tiles1.bmp", 648, 27}, std::tuple{"tiles2.bmp", 264, 11}}) {
        SCOPED_TRACE(name);
        const Bytes bytes = readBytes(kAssets + name);
        const BmpFile f = loadBmp(name);
        expectStandardHeader(f, width, 24, 24);
        EXPECT_EQ(f.clrUsed, 0u);
        EXPECT_EQ(bytes.size(), f.fileSize);
        EXPECT_EQ(f.width / 24, count);
        for (const Rgb& p : f.pixels) ASSERT_FALSE(closeToKey(p)) << "a pixel near the key";
    }
}

TEST(SpriteSheets, OpaquePatternsHaveNoKeyAndTransparentOnesHaveSome) {
    const BmpFile t1 = loadBmp("tiles1.bmp");
    const std::set<int> opaque{8, 9, 10, 21, 22, 23, 24, 25};
    for (int n = 0; n < 27; ++n) {
        SCOPED_TRACE(n);
        const std::vector<Rgb> px = patternOf(t1, n);
        if (opaque.count(n)) {
            EXPECT_EQ(keyCount(px), 0);
        } else {
            EXPECT_GE(keyCount(px), 16);
            EXPECT_NE(px[12 * 24 + 12], kKey) << "the object is not drawn in the middle";
        }
    }
    // Crates have cut corners; the robot in its walking pose leaves the corners free.
    for (int n : {0, 1, 2, 3, 11, 12, 19, 20}) {
        const std::vector<Rgb> px = patternOf(t1, n);
        for (int corner : {0, 23, 23 * 24, 23 * 24 + 23}) EXPECT_EQ(px[corner], kKey) << n;
    }
}

TEST(SpriteSheets, TurnedPatternsAreTurnedCopiesOfOneShape) {
    const BmpFile t1 = loadBmp("tiles1.bmp");
    // Robot, pushing robot and emitter: left, up, right, down, each a quarter turn clockwise
    // of the one before.
    for (int first : {0, 4, 15}) {
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(turnedMask(patternOf(t1, first + i)), mask(patternOf(t1, first + i + 1)))
                << "pattern " << first + i + 1;
        }
    }
}

TEST(SpriteSheets, PictureColoursMatchTheirRoles) {
    const BmpFile t1 = loadBmp("tiles1.bmp");
    auto average = [&](int n) {
        double r = 0, g = 0, b = 0, count = 0;
        for (const Rgb& p : patternOf(t1, n)) {
            if (p == kKey) continue;
            r += p.r;
            g += p.g;
            b += p.b;
            ++count;
        }
        return std::tuple{r / count, g / count, b / count};
    };
    const auto [fr, fg, fb] = average(8);
    EXPECT_NEAR(fr, 35, 12);
    EXPECT_NEAR(fg, 128, 12);
    EXPECT_NEAR(fb, 35, 12);
    const auto [cr, cg, cb] = average(11);  // orange crate
    EXPECT_GT(cr, cg);
    EXPECT_GT(cg, cb);
    const auto [br, bg, bb] = average(12);  // the same crate in blue
    EXPECT_GT(bb, br);
    EXPECT_GT(bb, bg);
    const auto [wr, wg, wb] = average(10);  // red bricks
    EXPECT_GT(wr, 2 * wg);
    EXPECT_GT(wr, 2 * wb);
    const auto [pr, pg, pb] = average(24);  // released plate is brighter than the pressed one
    const auto [qr, qg, qb] = average(25);
    EXPECT_GT(pg, qg + 20);
}

// The cells of one beam pattern that are drawn, as (x, y).
std::set<std::pair<int, int>> drawnCells(const std::vector<Rgb>& px) {
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x) {
            if (!(px[y * 24 + x] == kKey)) out.insert({x, y});
        }
    }
    return out;
}

TEST(BeamPatterns, AreTwoPixelLinesOfTheTwoGreens) {
    const BmpFile t2 = loadBmp("tiles2.bmp");
    for (int n = 0; n < 6; ++n) {
        SCOPED_TRACE(n);
        const std::vector<Rgb> px = patternOf(t2, n);
        bool bright = false, dim = false;
        for (const Rgb& p : px) {
            if (p == kKey) continue;
            ASSERT_TRUE(p == (Rgb{0, 255, 0}) || p == (Rgb{0, 210, 0}));
            bright |= p.g == 255;
            dim |= p.g == 210;
        }
        EXPECT_TRUE(bright && dim) << "a beam mixes both greens";
    }
    std::set<std::pair<int, int>> across, down;
    for (int i = 0; i < 24; ++i) {
        across.insert({i, 11});
        across.insert({i, 12});
        down.insert({11, i});
        down.insert({12, i});
    }
    EXPECT_EQ(drawnCells(patternOf(t2, 0)), across);
    EXPECT_EQ(drawnCells(patternOf(t2, 1)), down);
}

TEST(BeamPatterns, BendsJoinTheirEdgesAndStopShortOfTheMiddle) {
    const BmpFile t2 = loadBmp("tiles2.bmp");
    enum Edge { kTop, kRight, kBottom, kLeft };
    const std::pair<Edge, Edge> bends[] = {
        {kTop, kRight}, {kRight, kBottom}, {kLeft, kBottom}, {kTop, kLeft}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(2 + i);
        const auto cells = drawnCells(patternOf(t2, 2 + i));
        std::set<std::pair<int, int>> expected;
        for (Edge e : {bends[i].first, bends[i].second}) {
            // Measure the leg from its edge towards the middle.
            int length = 0;
            while (length < 24) {
                const int a = e == kTop || e == kLeft ? length : 23 - length;
                const bool inLeg = e == kTop || e == kBottom
                                       ? cells.count({11, a}) && cells.count({12, a})
                                       : cells.count({a, 11}) && cells.count({a, 12});
                if (!inLeg) break;
                ++length;
            }
            // The middle lies 12 pixels from each edge; a leg ends 2 or 3 pixels before it.
            EXPECT_GE(length, 9);
            EXPECT_LE(length, 10);
            for (int k = 0; k < length; ++k) {
                const int a = e == kTop || e == kLeft ? k : 23 - k;
                if (e == kTop || e == kBottom) {
                    expected.insert({11, a});
                    expected.insert({12, a});
                } else {
                    expected.insert({a, 11});
                    expected.insert({a, 12});
                }
            }
        }
        EXPECT_EQ(cells, expected) << "only the two legs are drawn";
    }
}

TEST(WallEdges, AreTwoPixelStripsAlongTheirSides) {
    const BmpFile t2 = loadBmp("tiles2.bmp");
    for (int n = 7; n <= 10; ++n) {
        SCOPED_TRACE(n);
        const std::vector<Rgb> px = patternOf(t2, n);
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < 24; ++x) {
                const bool strip = (n == 7 && x < 2) || (n == 8 && y < 2) || (n == 9 && x >= 22) ||
                                   (n == 10 && y >= 22);
                const Rgb p = px[y * 24 + x];
                ASSERT_EQ(!(p == kKey), strip) << x << "," << y;
                if (!strip) continue;
                if (n <= 8) {
                    EXPECT_GT(p.r, p.g + 40) << "light edges are brownish red";
                    EXPECT_GT(p.r, p.b + 40);
                } else {
                    EXPECT_LT(std::max({p.r, p.g, p.b}), 64) << "dark edges are near black";
                }
            }
        }
    }
}

TEST(BlastPattern, IsARedDiscFillingMostOfTheCell) {
    const std::vector<Rgb> px = patternOf(loadBmp("tiles2.bmp"), 6);
    EXPECT_LT(keyCount(px), 24 * 24 / 2);
    for (int corner : {0, 23, 23 * 24, 23 * 24 + 23}) EXPECT_EQ(px[corner], kKey);
    int red = 0;
    for (const Rgb& p : px) red += !(p == kKey) && p.r > 150 && p.r > p.g && p.r > p.b;
    EXPECT_GT(red, 24 * 24 / 3);
}

// What the palette cell of each tool is made of: tiles1 patterns, then tiles2 wall edges.
struct ToolPicture {
    std::vector<int> tiles1;
    std::vector<int> tiles2;
};

TEST(PalettePicture, ShowsEveryToolOverPlainFloorOnSilver) {
    const BmpFile pal = loadBmp("palette.bmp");
    expectStandardHeader(pal, 103, 103, 24);
    const BmpFile t1 = loadBmp("tiles1.bmp");
    const BmpFile t2 = loadBmp("tiles2.bmp");
    const ToolPicture tools[16] = {
        {{8, 3}, {}},  {{8}, {}},     {{9}, {}},     {{21}, {}},    {{10}, {7, 8, 9, 10}},
        {{8, 11}, {}}, {{8, 19}, {}}, {{8, 20}, {}}, {{22}, {}},    {{24}, {}},
        {{8, 13}, {}}, {{8, 14}, {}}, {{8, 15}, {}}, {{8, 16}, {}}, {{8, 17}, {}},
        {{8, 18}, {}},
    };
    for (int tool = 0; tool < 16; ++tool) {
        SCOPED_TRACE(tool);
        std::vector<Rgb> expected(24 * 24, kKey);
        auto over = [&](const std::vector<Rgb>& layer) {
            for (std::size_t i = 0; i < layer.size(); ++i) {
                if (!(layer[i] == kKey)) expected[i] = layer[i];
            }
        };
        for (int n : tools[tool].tiles1) over(patternOf(t1, n));
        for (int n : tools[tool].tiles2) over(patternOf(t2, n));
        const int x0 = 25 * (tool % 4) + 2;
        const int y0 = 25 * (tool / 4) + 2;
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < 24; ++x) {
                ASSERT_EQ(pal.at(x0 + x, y0 + y), expected[y * 24 + x]) << x << "," << y;
            }
        }
    }
    // Everything outside the cells is silver: the border and the grid lines.
    for (int i = 0; i < 103; ++i) {
        for (int line : {0, 1, 26, 51, 76, 101, 102}) {
            EXPECT_EQ(pal.at(i, line), (Rgb{192, 192, 192}));
            EXPECT_EQ(pal.at(line, i), (Rgb{192, 192, 192}));
        }
    }
}

TEST(AboutPicture, IsA256ColourWorkerWithRedCapAndBrownCrate) {
    const Bytes bytes = readBytes(kAssets + "about.bmp");
    const BmpFile f = loadBmp("about.bmp");
    expectStandardHeader(f, 32, 32, 8);
    EXPECT_EQ(f.clrUsed, 256u);
    EXPECT_EQ(f.colourTable.size(), 256u);
    EXPECT_EQ(bytes.size(), f.fileSize);
    EXPECT_EQ(f.at(0, 0), (Rgb{255, 255, 255})) << "drawn on the white of its frame";
    int red = 0, brown = 0;
    for (const Rgb& p : f.pixels) {
        red += p.r > 170 && p.g < 80 && p.b < 80;
        brown += p.r > 100 && p.r < 200 && p.g > 50 && p.g < p.r - 30 && p.b < p.g - 15;
    }
    EXPECT_GE(red, 8);
    EXPECT_GE(brown, 60);
}

TEST(Icons, ArePngsOfTheirSizesWithTransparentBackground) {
    for (int size : {16, 32, 48, 256}) {
        SCOPED_TRACE(size);
        const QImage icon(
            QString::fromStdString(kAssets + "icons/prismcrate-" + std::to_string(size) + ".png"));
        ASSERT_FALSE(icon.isNull());
        EXPECT_EQ(icon.width(), size);
        EXPECT_EQ(icon.height(), size);
        EXPECT_TRUE(icon.hasAlphaChannel());
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
        int opaque = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) opaque += qAlpha(icon.pixel(x, y)) == 255;
        }
        EXPECT_GT(opaque, size * size / 5);
    }
}

struct CueSpec {
    const char* name;
    std::uint32_t rate;
    std::size_t bytes;
};
const CueSpec kCues[] = {{"explosion", 8000, 8000},
                         {"click", 11025, 791},
                         {"move", 11025, 2408},
                         {"death", 11025, 4466},
                         {"win", 11025, 11089}};

TEST(Cues, AreEightBitMonoWavesOfExactLength) {
    for (const CueSpec& cue : kCues) {
        SCOPED_TRACE(cue.name);
        const Bytes bytes = readBytes(kAssets + cue.name + ".wav");
        const std::optional<WavFile> w = parseWav(bytes);
        ASSERT_TRUE(w);
        EXPECT_EQ(bytes.size(), 44 + cue.bytes);
        EXPECT_EQ(w->riffSize, bytes.size() - 8);
        EXPECT_EQ(w->chunkOrder, (std::vector<std::string>{"fmt ", "data"}));
        EXPECT_EQ(w->fmtSize, 16u);
        EXPECT_EQ(w->format, 1);
        EXPECT_EQ(w->channels, 1);
        EXPECT_EQ(w->sampleRate, cue.rate);
        EXPECT_EQ(w->byteRate, cue.rate);
        EXPECT_EQ(w->blockAlign, 1);
        EXPECT_EQ(w->bitsPerSample, 8);
        EXPECT_EQ(w->samples.size(), cue.bytes);
    }
}

TEST(Cues, AreAudibleUnclippedAndEndInSilence) {
    for (const CueSpec& cue : kCues) {
        SCOPED_TRACE(cue.name);
        const std::optional<WavFile> w = parseWav(readBytes(kAssets + cue.name + ".wav"));
        ASSERT_TRUE(w);
        ASSERT_FALSE(w->samples.empty());
        const auto [lo, hi] = std::minmax_element(w->samples.begin(), w->samples.end());
        EXPECT_GE(*lo, 2) << "clipped at the bottom";
        EXPECT_LE(*hi, 253) << "clipped at the top";
        EXPECT_GE(std::max(128 - *lo, *hi - 128), 48) << "too quiet to hear";
        // Starts from silence and fades out smoothly: no step at either end.
        EXPECT_NEAR(w->samples.front(), 128, 2);
        const std::size_t n = w->samples.size();
        for (std::size_t i = n - 4; i < n; ++i) EXPECT_NEAR(w->samples[i], 128, 1);
        const std::size_t tail = w->sampleRate / 200;  // the last 5 ms
        for (std::size_t i = n - tail; i < n; ++i) EXPECT_NEAR(w->samples[i], 128, 8);
    }
}

TEST(Cues, LoadThroughTheAudioLibrary) {
    for (const CueSpec& cue : kCues) {
        SCOPED_TRACE(cue.name);
        const std::string path = kAssets + cue.name + ".wav";
        SDL_AudioSpec audio{};
        Uint8* buffer = nullptr;
        Uint32 length = 0;
        ASSERT_NE(SDL_LoadWAV(path.c_str(), &audio, &buffer, &length), nullptr) << SDL_GetError();
        EXPECT_EQ(audio.freq, static_cast<int>(cue.rate));
        EXPECT_EQ(audio.format, AUDIO_U8);
        EXPECT_EQ(audio.channels, 1);
        EXPECT_EQ(length, cue.bytes);
        SDL_FreeWAV(buffer);
    }
}

}  // namespace
}  // namespace prismcrate::assetgen::testing
