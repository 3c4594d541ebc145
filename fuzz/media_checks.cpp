// Invariants of the bitmap and wave readers.
#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "fuzz/checks.h"
#include "fuzz/support.h"
#include "media/dib.h"
#include "media/wave.h"

namespace prismcrate::fuzz {
namespace {

// What the info header at the start of the bitmap data says about the image.
struct Claim {
    std::uint32_t headerSize = 0;
    bool complete = false;  // the bytes hold the whole info header
    std::int64_t width = 0;
    std::int64_t height = 0;  // absolute value
    int bitCount = 0;
    std::uint32_t compression = 0;
};

Claim claimOf(Input dib) {
    Claim c;
    if (dib.size() < 4) return c;
    c.headerSize = le32(dib.data());
    if (c.headerSize == 12 && dib.size() >= 12) {
        c.complete = true;
        c.width = le16(dib.data() + 4);
        c.height = le16(dib.data() + 6);
        c.bitCount = le16(dib.data() + 10);
    } else if (c.headerSize == 40 && dib.size() >= 40) {
        c.complete = true;
        c.width = static_cast<std::int32_t>(le32(dib.data() + 4));
        const auto height = static_cast<std::int32_t>(le32(dib.data() + 8));
        c.height = height < 0 ? -std::int64_t(height) : height;
        c.bitCount = le16(dib.data() + 14);
        c.compression = le32(dib.data() + 16);
    }
    return c;
}

bool validDepth(int bitCount) {
    switch (bitCount) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            return true;
        default:
            return false;
    }
}

struct Outcome {
    bool ok = false;
    DibImage image;
    std::string error;

    bool operator==(const Outcome& o) const {
        return ok == o.ok && error == o.error && image.width == o.image.width &&
               image.height == o.image.height && image.bitCount == o.image.bitCount &&
               image.pixels == o.image.pixels;
    }
};

template <typename F>
Outcome decode(F&& f) {
    Outcome o;
    try {
        o.image = f();
        o.ok = true;
    } catch (const EInvalidGraphic& e) {
        o.error = e.what();
    }
    return o;
}

// `dib` is the bitmap data the outcome was decoded from (after the file header or the
// class name).
void checkOutcome(const Outcome& o, Input dib) {
    const Claim claim = claimOf(dib);
    if (!o.ok) {
        const std::string bitcountError =
            "Bitcount in invalid (" + std::to_string(claim.bitCount) + ")";
        if (o.error == "DIB is invalid") return;
        if (o.error == "PixelFormat in invalid") {
            require(claim.complete && claim.headerSize == 40 && claim.compression == 3 &&
                        validDepth(claim.bitCount),
                    "\"PixelFormat in invalid\" for a bitmap without bit masks");
            return;
        }
        require(o.error.starts_with("Bitcount in invalid ("),
                "a bitmap error outside the documented ones: \"" + o.error + "\"");
        require(claim.complete && !validDepth(claim.bitCount) && o.error == bitcountError,
                "\"" + o.error + "\" does not give the header's bit depth");
        return;
    }

    const DibImage& image = o.image;
    if (dib.empty()) {
        require(image.empty() && image.pixels.empty(), "empty data gave a picture");
        return;
    }
    require(claim.complete, "a bitmap was read from an incomplete or unknown header");
    require(validDepth(claim.bitCount) && image.bitCount == claim.bitCount,
            "a bitmap was read with another depth than its header gives");
    require(claim.compression <= 3, "a bitmap with an unknown compression was read");
    if (claim.width == 0 || claim.height == 0) {
        require(image.empty() && image.pixels.empty(), "a bitmap of no pixels has pixels");
        return;
    }
    require(image.width == claim.width && image.height == claim.height,
            "a bitmap has another size than its header claims");
    require(image.pixels.size() == std::size_t(image.width) * std::size_t(image.height),
            "a bitmap holds another number of pixels than its size");
    require(image.width <= kDibMaxSide && image.height <= kDibMaxSide &&
                std::int64_t(image.pixels.size()) <= kDibMaxPixels,
            "a bitmap beyond the reader's size bounds was read");
    if (claim.compression == 0 || claim.compression == 3) {
        // Uncompressed rows are all in the data, so the data pays for every pixel.
        const std::int64_t stride = ((claim.width * claim.bitCount + 31) / 32) * 4;
        require(stride * claim.height <= std::int64_t(dib.size()),
                "an uncompressed bitmap has more rows than its data holds");
    }
    require(std::all_of(image.pixels.begin(), image.pixels.end(),
                        [](std::uint32_t p) { return (p >> 24) == 0xFF; }),
            "a decoded pixel is not opaque");
}

std::vector<std::uint8_t> storedForm(Input dib) {
    std::vector<std::uint8_t> out = {4, 'T', 'D', 'I', 'B'};
    out.insert(out.end(), dib.begin(), dib.end());
    return out;
}

bool startsWith(Input bytes, std::string_view prefix) {
    return bytes.size() >= prefix.size() &&
           std::memcmp(bytes.data(), prefix.data(), prefix.size()) == 0;
}

// The body `body` stands in the input as the body of a chunk `id` with its own size.
bool isChunkBody(Input input, const char* id, const std::vector<std::uint8_t>& body) {
    for (std::size_t at = 12; at + 8 <= input.size(); ++at) {
        if (std::memcmp(input.data() + at, id, 4) != 0) continue;
        if (le32(input.data() + at + 4) != body.size()) continue;
        const std::size_t start = at + 8;
        if (input.size() - start < body.size()) continue;
        if (std::equal(body.begin(), body.end(), input.begin() + start)) return true;
    }
    return false;
}

}  // namespace

void checkBitmap(Input input) {
    const Outcome file = decode([&] { return decodeBitmapFile(input); });
    if (input.empty()) {
        require(file.ok && file.image.empty(), "an empty file is not an empty bitmap");
    } else if (!startsWith(input, "BM") || input.size() < 14) {
        require(!file.ok && file.error == "DIB is invalid",
                "a file without a whole \"BM\" header is not \"DIB is invalid\"");
    } else {
        const Input dib = input.subspan(14);
        checkOutcome(file, dib);
        // The same data in the stored form reads the same.
        const std::vector<std::uint8_t> stored = storedForm(dib);
        const Outcome fromStream = decode([&] { return decodeDibStream(stored); });
        require(fromStream == file, "the file form and the stored form of the same data differ");
    }

    // The input as the stored form itself.
    const Outcome stream = decode([&] { return decodeDibStream(input); });
    if (startsWith(input, std::string_view("\x04TDIB", 5)))
        checkOutcome(stream, input.subspan(5));
    else if (!input.empty())
        require(!stream.ok && stream.error == "DIB is invalid",
                "a stream without the class name is not \"DIB is invalid\"");

    // A failed load keeps the picture there was.
    if (!file.ok) {
        TDIB picture(DibImage{1, 1, 24, {0xFF123456u}});
        try {
            picture.LoadFromBitmapFile(input);
            throw InvariantBroken("a bitmap file read once with an error read the second time");
        } catch (const EInvalidGraphic&) {
        }
        require(
            picture.Width() == 1 && picture.Height() == 1 && picture.ScanLine(0)[0] == 0xFF123456u,
            "a failed bitmap load changed the picture");
    }
}

void checkWave(Input input) {
    WaveImage image;
    bool ok = false;
    try {
        image = readWaveImage(input.data(), input.size());
        ok = true;
    } catch (const EWaveStreamError& e) {
        require(std::string_view(e.what()) == "Wave is invalid",
                std::string("a wave error other than \"Wave is invalid\": ") + e.what());
    }
    const bool header = input.size() >= 12 && startsWith(input, "RIFF") &&
                        std::memcmp(input.data() + 8, "WAVE", 4) == 0;
    if (!header) require(!ok, "a wave without \"RIFF\", a size and \"WAVE\" was read");

    if (!ok) {
        // A failed load keeps the sound there was.
        TWave wave;
        PcmFormat format;
        format.formatTag = 1;
        format.channels = 1;
        format.samplesPerSec = 11025;
        format.avgBytesPerSec = 11025;
        format.blockAlign = 1;
        format.bitsPerSample = 8;
        wave.SetPCM(format, {1, 2, 3});
        const std::vector<std::uint8_t> formatBefore = wave.FormatRecord();
        try {
            wave.LoadFromBytes(input.data(), input.size());
            throw InvariantBroken("a wave read once with an error read the second time");
        } catch (const EWaveStreamError&) {
        }
        require(wave.FormatRecord() == formatBefore &&
                    wave.Data() == std::vector<std::uint8_t>{1, 2, 3},
                "a failed wave load changed the sound");
        return;
    }

    require(image.format.size() + image.data.size() <= input.size(),
            "a wave holds more bytes than its file");
    require(soundingMs(pcmFormatOf(image.format), image.data.size()) <= kMaxCueMs,
            "a wave sounding longer than the longest cue was read");
    if (!image.format.empty())
        require(image.format.size() >= 16 && isChunkBody(input, "fmt ", image.format),
                "the format record is not the body of a \"fmt \" chunk of the file");
    if (!image.data.empty())
        require(isChunkBody(input, "data", image.data),
                "the samples are not the body of a \"data\" chunk of the file");

    const std::vector<std::uint8_t> written = writeWaveImage(image);
    WaveImage back;
    try {
        back = readWaveImage(written.data(), written.size());
    } catch (const EWaveStreamError&) {
        throw InvariantBroken("a written wave cannot be read");
    }
    require(back.format == image.format && back.data == image.data,
            "a wave read back after writing differs");
}

}  // namespace prismcrate::fuzz
