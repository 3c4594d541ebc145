#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "media/wave.h"

namespace prismcrate {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void putId(Bytes& b, const char* id) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(id[i]));
}
void put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
// A chunk: id, size (`declared`, or the body's length), body.
void chunk(Bytes& b, const char* id, const Bytes& body, std::int64_t declared = -1) {
    putId(b, id);
    put32(b, static_cast<std::uint32_t>(declared < 0 ? body.size() : declared));
    b.insert(b.end(), body.begin(), body.end());
}
Bytes riff(const char* form = "WAVE") {
    Bytes b;
    putId(b, "RIFF");
    put32(b, 0);  // not checked
    putId(b, form);
    return b;
}
Bytes fmt8(std::uint32_t rate) {
    TWave w;
    w.SetPCM(PcmFormat{1, 1, rate, rate, 1, 8}, {});
    return w.FormatRecord();
}
Bytes samples(std::size_t n, std::uint8_t seed = 1) {
    Bytes s(n);
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<std::uint8_t>(seed + i * 7);
    return s;
}
WaveImage read(const Bytes& b) {
    return readWaveImage(b.data(), b.size());
}
bool refused(const Bytes& b) {
    try {
        read(b);
        return false;
    } catch (const EWaveStreamError& e) {
        EXPECT_STREQ(e.what(), "Wave is invalid");
        return true;
    }
}

TEST(WaveWriter, WritesHeaderFormatAndDataAndReadsBack) {
    TWave wave;
    wave.SetPCM(PcmFormat{1, 1, 11025, 11025, 1, 8}, samples(791));
    const Bytes image = wave.SaveToBytes();
    ASSERT_EQ(image.size(), 44u + 791u);
    EXPECT_EQ(0, std::memcmp(image.data(), "RIFF", 4));
    EXPECT_EQ(image[4] | image[5] << 8 | image[6] << 16 | image[7] << 24, 36 + 791);
    EXPECT_EQ(0, std::memcmp(image.data() + 8, "WAVEfmt ", 8));
    EXPECT_EQ(image[16], 16);
    const Bytes record = {1, 0, 1, 0, 0x11, 0x2B, 0, 0, 0x11, 0x2B, 0, 0, 1, 0, 8, 0};
    EXPECT_EQ(Bytes(image.begin() + 20, image.begin() + 36), record);
    EXPECT_EQ(0, std::memcmp(image.data() + 36, "data", 4));
    EXPECT_EQ(image[40] | image[41] << 8, 791);

    TWave back;
    back.LoadFromBytes(image.data(), image.size());
    EXPECT_EQ(back.FormatRecord(), record);
    EXPECT_EQ(back.Data(), samples(791));
    const PcmFormat f = back.Format();
    EXPECT_EQ(f.samplesPerSec, 11025u);
    EXPECT_EQ(f.bitsPerSample, 8);
}

TEST(WaveReader, ChunksInAnyOrderUnknownOnesSkippedLaterOnesWin) {
    Bytes b = riff();
    chunk(b, "LIST", samples(10));
    chunk(b, "data", samples(5, 9));
    chunk(b, "fact", {1, 2, 3, 4});
    chunk(b, "fmt ", fmt8(8000));
    chunk(b, "data", samples(12, 3));
    const WaveImage w = read(b);
    EXPECT_EQ(w.format, fmt8(8000));
    EXPECT_EQ(w.data, samples(12, 3));
}

TEST(WaveReader, ReadingEndsWhenNoFurtherHeaderCanBeRead) {
    Bytes b = riff();
    chunk(b, "fmt ", fmt8(8000));
    chunk(b, "data", samples(4));
    b.insert(b.end(), {'L', 'I', 'S', 'T', 9});  // a header cut short
    EXPECT_EQ(read(b).data, samples(4));

    Bytes huge = riff();
    chunk(huge, "fmt ", fmt8(8000));
    chunk(huge, "data", samples(4));
    chunk(huge, "junk", samples(3), 0xFFFFFFFFll);  // skips past the end
    EXPECT_EQ(read(huge).data, samples(4));

    Bytes none = riff();  // no chunks at all
    const WaveImage w = read(none);
    EXPECT_TRUE(w.format.empty());
    EXPECT_TRUE(w.data.empty());
}

TEST(WaveReader, OddChunksWithAndWithoutPaddingByte) {
    Bytes padded = riff();
    chunk(padded, "fmt ", fmt8(8000));
    chunk(padded, "JUNK", samples(9));
    padded.push_back(0);
    chunk(padded, "data", samples(7));
    padded.push_back(0);
    EXPECT_EQ(read(padded).data, samples(7));

    Bytes bare = riff();
    Bytes longFormat = fmt8(8000);
    longFormat.push_back(0x55);
    chunk(bare, "fmt ", longFormat);
    chunk(bare, "data", samples(7));
    const WaveImage w = read(bare);
    EXPECT_EQ(w.format, longFormat);
    EXPECT_EQ(w.data, samples(7));
}

TEST(WaveReader, RefusesWhatIsNotAWave) {
    EXPECT_TRUE(refused({}));
    EXPECT_TRUE(refused({'R', 'I', 'F', 'F'}));
    EXPECT_TRUE(refused({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V'}));
    EXPECT_TRUE(refused(riff("AVI ")));
    Bytes rifx = riff();
    rifx[3] = 'X';
    EXPECT_TRUE(refused(rifx));
    EXPECT_FALSE(refused(riff()));
    EXPECT_THROW(readWaveImage(nullptr, 0), EWaveStreamError);
}

TEST(WaveReader, RefusesShortFormatAndBodiesRunningPastTheEnd) {
    Bytes shortFormat = riff();
    chunk(shortFormat, "fmt ", Bytes(8, 1));
    chunk(shortFormat, "data", samples(4));
    EXPECT_TRUE(refused(shortFormat));

    Bytes cutFormat = riff();
    chunk(cutFormat, "fmt ", Bytes(10, 1), 16);
    EXPECT_TRUE(refused(cutFormat));

    Bytes cutData = riff();
    chunk(cutData, "fmt ", fmt8(8000));
    chunk(cutData, "data", samples(100), 100000);
    EXPECT_TRUE(refused(cutData));

    Bytes hugeData = riff();
    chunk(hugeData, "fmt ", fmt8(8000));
    chunk(hugeData, "data", samples(3), 0xFFFFFFFFll);
    EXPECT_TRUE(refused(hugeData));
}

// A cue sounds at most a minute, judged by the format record wherever it stands; the
// samples of a longer one are never copied.
TEST(WaveReader, RefusesSamplesSoundingLongerThanAMinute) {
    struct Case {
        std::uint32_t rate;
        std::size_t bytes;
        bool formatFirst;
        bool refused;
    };
    const Case cases[] = {{1000, 60000, true, false},  {1000, 60001, true, true},
                          {1000, 60001, false, true},  {11025, 661511, false, false},
                          {11025, 661512, true, true}, {8000, 8000, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rate) + " Hz, " + std::to_string(c.bytes) + " bytes");
        Bytes b = riff();
        if (c.formatFirst) chunk(b, "fmt ", fmt8(c.rate));
        chunk(b, "data", Bytes(c.bytes, 0x80));
        if (!c.formatFirst) chunk(b, "fmt ", fmt8(c.rate));
        EXPECT_EQ(refused(b), c.refused);
    }
}

// Damaged copies of a good image either read, giving slices of the input, or are refused;
// under the sanitizers this also proves that nothing is read outside the input.
TEST(WaveReader, HostileMutationsNeverReadOutOfBounds) {
    Bytes good = riff();
    chunk(good, "fmt ", fmt8(11025));
    chunk(good, "LIST", samples(5));
    chunk(good, "data", samples(64));
    std::mt19937 rng(12345);
    for (int round = 0; round < 20000; ++round) {
        Bytes b = good;
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = rng() % b.size();
            switch (rng() % 3) {
                case 0:
                    b[at] = static_cast<std::uint8_t>(rng());
                    break;
                case 1:
                    b.resize(at);
                    break;
                default:
                    b.insert(b.begin() + static_cast<std::ptrdiff_t>(at),
                             static_cast<std::uint8_t>(rng()));
                    break;
            }
            if (b.empty()) break;
        }
        // An exact-size heap copy so that the sanitizer sees any overrun.
        auto exact = std::make_unique<std::uint8_t[]>(b.size() + (b.empty() ? 1 : 0));
        std::copy(b.begin(), b.end(), exact.get());
        try {
            const WaveImage w = readWaveImage(exact.get(), b.size());
            ASSERT_LE(w.data.size() + w.format.size(), b.size());
            ASSERT_TRUE(w.format.empty() || w.format.size() >= 16);
        } catch (const EWaveStreamError&) {
        }
    }
}

TEST(WaveFile, MissingFileAndRoundTrip) {
    TWave wave;
    try {
        wave.LoadFromFile("/nonexistent/x.wav");
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_STREQ(e.what(), "Cannot open file /nonexistent/x.wav");
    }
    const fs::path dir = fs::temp_directory_path() / "prismcrate_wave_test";
    fs::create_directories(dir);
    const std::string file = (dir / "cue.wav").string();
    wave.SetPCM(PcmFormat{1, 1, 8000, 8000, 1, 8}, samples(333));
    wave.SaveToFile(file);
    TWave back;
    back.LoadFromFile(file);
    EXPECT_EQ(back.Data(), samples(333));
    EXPECT_EQ(back.FormatRecord(), wave.FormatRecord());
    // A failed load leaves the wave as it was.
    std::ofstream(file, std::ios::binary | std::ios::trunc) << "RIFX";
    EXPECT_THROW(back.LoadFromFile(file), EWaveStreamError);
    EXPECT_EQ(back.Data(), samples(333));
    fs::remove_all(dir);
}

// Files above the bound are refused before they are read; one at the bound is read.
TEST(WaveFile, FilesAboveTheSizeBoundAreRefused) {
    const fs::path dir = fs::temp_directory_path() / "prismcrate_wave_bound_test";
    fs::create_directories(dir);
    const std::string file = (dir / "cue.wav").string();
    // A second of sound, then zeros up to the size: chunks of no length, skipped.
    TWave wave;
    wave.SetPCM(PcmFormat{1, 1, 8000, 8000, 1, 8}, samples(8000));
    wave.SaveToFile(file);
    for (const std::size_t size : {kMaxWaveFileBytes, kMaxWaveFileBytes + 1}) {
        fs::resize_file(file, size);
        TWave back;
        if (size <= kMaxWaveFileBytes) {
            back.LoadFromFile(file);
            EXPECT_EQ(back.Data(), samples(8000));
        } else {
            EXPECT_THROW(back.LoadFromFile(file), EWaveStreamError);
        }
    }
    fs::remove_all(dir);
}

// The game's cues as shipped: 16-byte format record of 8-bit mono PCM and the sample
// counts of the cue table.
TEST(WaveAssets, TheFiveCuesHaveTheirFormatAndLength) {
    struct Cue {
        const char* file;
        std::uint32_t rate;
        std::size_t bytes;
    };
    const Cue cues[] = {{"explosion.wav", 8000, 8000},
                        {"click.wav", 11025, 791},
                        {"move.wav", 11025, 2408},
                        {"death.wav", 11025, 4466},
                        {"win.wav", 11025, 11089}};
    const fs::path dir = fs::path(PRISMCRATE_SOURCE_DIR) / "assets";
    int found = 0;
    for (const Cue& cue : cues) {
        const fs::path file = dir / cue.file;
        if (!fs::exists(file)) continue;
        ++found;
        SCOPED_TRACE(cue.file);
        TWave wave;
        wave.LoadFromFile(file.string());
        EXPECT_EQ(wave.FormatRecord().size(), 16u);
        const PcmFormat f = wave.Format();
        EXPECT_EQ(f.formatTag, 1);
        EXPECT_EQ(f.channels, 1);
        EXPECT_EQ(f.samplesPerSec, cue.rate);
        EXPECT_EQ(f.avgBytesPerSec, cue.rate);
        EXPECT_EQ(f.blockAlign, 1);
        EXPECT_EQ(f.bitsPerSample, 8);
        EXPECT_EQ(wave.Size(), cue.bytes);
    }
    if (found == 0) GTEST_SKIP() << "no cue files in assets/ yet";
}

// Third-party files. The expected chunks come from a plain walk that honours padding
// bytes as RIFF writers place them.
struct Expected {
    Bytes format, data;
    bool hasFormat = false, hasData = false;
};
Expected walk(const Bytes& b) {
    Expected e;
    std::size_t pos = 12;
    while (pos + 8 <= b.size()) {
        const std::string id(b.begin() + static_cast<std::ptrdiff_t>(pos),
                             b.begin() + static_cast<std::ptrdiff_t>(pos) + 4);
        const std::size_t size = b[pos + 4] | b[pos + 5] << 8 | b[pos + 6] << 16 |
                                 static_cast<std::size_t>(b[pos + 7]) << 24;
        pos += 8;
        if (pos + size > b.size()) break;
        const Bytes body(b.begin() + static_cast<std::ptrdiff_t>(pos),
                         b.begin() + static_cast<std::ptrdiff_t>(pos + size));
        if (id == "fmt ") e.format = body, e.hasFormat = true;
        if (id == "data") e.data = body, e.hasData = true;
        pos += size + (size & 1);
    }
    return e;
}
// Whether `data` stands in `b` right after a "data" header that declares its size.
bool isDataBody(const Bytes& b, const Bytes& data) {
    for (std::size_t p = 8; p + data.size() <= b.size(); ++p) {
        if (std::memcmp(b.data() + p - 8, "data", 4) != 0) continue;
        const std::size_t size =
            b[p - 4] | b[p - 3] << 8 | b[p - 2] << 16 | static_cast<std::size_t>(b[p - 1]) << 24;
        if (size == data.size() && std::equal(data.begin(), data.end(), b.begin() + p)) return true;
    }
    return false;
}
Bytes fileBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}
// The shape a third-party file's name gives, as in "..._stereo_pcm_16_44100...":
// channels ("mono", "stereo" or "tri"), then "pcm" or "float", bits and rate.
struct Shape {
    int channels = 0;
    int bits = 0;
    unsigned long rate = 0;
};
bool shapeOf(const std::string& name, Shape& shape) {
    const std::pair<const char*, int> words[] = {{"mono_", 1}, {"stereo_", 2}, {"tri_", 3}};
    for (const auto& [word, channels] : words) {
        for (std::size_t at = name.find(word); at != std::string::npos;
             at = name.find(word, at + 1)) {
            char kind[8] = {};
            int bits = 0;
            unsigned long rate = 0;
            const char* rest = name.c_str() + at + std::strlen(word);
            if (std::sscanf(rest, "%7[a-z]_%d_%lu", kind, &bits, &rate) == 3 &&
                (std::strcmp(kind, "pcm") == 0 || std::strcmp(kind, "float") == 0)) {
                shape = Shape{channels, bits, rate};
                return true;
            }
        }
    }
    return false;
}
fs::path thirdParty() {
    return fs::path(PRISMCRATE_SOURCE_DIR) / ".." / "shared" / "wavefile";
}

TEST(WaveThirdParty, EveryValidFileYieldsItsFormatRecordAndExactlyItsData) {
    const fs::path dir = thirdParty() / "valid";
    if (!fs::is_directory(dir)) GTEST_SKIP() << dir << " is absent";
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".wav") continue;
        ++files;
        SCOPED_TRACE(entry.path().filename().string());
        const Bytes b = fileBytes(entry.path());
        const Expected want = walk(b);
        ASSERT_TRUE(want.hasFormat && want.hasData);
        WaveImage got;
        ASSERT_NO_THROW(got = read(b));
        EXPECT_EQ(got.format, want.format);
        EXPECT_EQ(got.data, want.data);
        const PcmFormat f = pcmFormatOf(got.format);
        Shape shape;
        if (shapeOf(entry.path().filename().string(), shape)) {
            EXPECT_EQ(f.channels, shape.channels);
            EXPECT_EQ(f.bitsPerSample, shape.bits);
            EXPECT_EQ(f.samplesPerSec, shape.rate);
            EXPECT_EQ(f.blockAlign, shape.channels * shape.bits / 8);
        }
    }
    EXPECT_GT(files, 50);
}

TEST(WaveThirdParty, EveryInvalidFileIsRefusedOrReadByTheRules) {
    const fs::path dir = thirdParty() / "invalid";
    if (!fs::is_directory(dir)) GTEST_SKIP() << dir << " is absent";
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".wav") continue;
        ++files;
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        const Bytes b = fileBytes(entry.path());
        auto exact = std::make_unique<std::uint8_t[]>(b.size() + 1);
        std::copy(b.begin(), b.end(), exact.get());
        try {
            const WaveImage w = readWaveImage(exact.get(), b.size());
            EXPECT_LE(w.format.size() + w.data.size(), b.size());
            // Samples read are the body of a "data" chunk of the file, its whole
            // declared size.
            if (!w.data.empty()) {
                EXPECT_TRUE(isDataBody(b, w.data));
            }
        } catch (const EWaveStreamError& e) {
            EXPECT_STREQ(e.what(), "Wave is invalid");
        }
    }
    EXPECT_GT(files, 30);
    auto verdict = [&](const char* file) { return refused(fileBytes(dir / file)); };
    for (const char* file : {"empty.wav", "bad_riff_header.wav", "bad_wavefile_format.wav",
                             "incomplete_riff_header.wav", "no_riff_format.wav",
                             "riff_chunk_has_incomplete_chunk_size.wav", "data_chunk_truncated.wav",
                             "insufficient_format_chunk.wav", "empty_format_chunk.wav"})
        EXPECT_TRUE(verdict(file)) << file;
    const WaveImage noData = read(fileBytes(dir / "no_data_chunk.wav"));
    EXPECT_EQ(noData.format.size(), 16u);
    EXPECT_TRUE(noData.data.empty());
    const WaveImage late = read(fileBytes(dir / "format_chunk_after_data_chunk.wav"));
    EXPECT_EQ(late.format.size(), 16u);
    EXPECT_EQ(late.data.size(), 8960u);
    const WaveImage cut = read(fileBytes(dir / "data_chunk_ends_after_chunk_id.wav"));
    EXPECT_TRUE(cut.data.empty());
}

}  // namespace
}  // namespace prismcrate
