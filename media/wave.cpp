#include "media/wave.h"

#include <cstring>
#include <fstream>
#include <limits>

#include "platform/regular_file.h"

namespace prismcrate {
namespace {

std::uint32_t le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void putId(std::vector<std::uint8_t>& out, const char* id) {
    out.insert(out.end(), id, id + 4);
}
bool isId(const std::uint8_t* p, const char* id) {
    return std::memcmp(p, id, 4) == 0;
}

}  // namespace

WaveImage readWaveImage(const std::uint8_t* bytes, std::size_t size) {
    if (!bytes || size < 12 || !isId(bytes, "RIFF") || !isId(bytes + 8, "WAVE"))
        throw EWaveStreamError();
    // Where the last "fmt " and "data" bodies lie; copied once the walk has ended.
    struct Body {
        std::size_t at = 0, size = 0;
    } format, data;
    std::size_t pos = 12;
    // Every pass consumes at least the 8 header bytes, so the walk ends.
    while (size - pos >= 8) {
        const std::uint8_t* header = bytes + pos;
        const std::uint32_t chunkSize = le32(header + 4);
        pos += 8;
        const std::size_t left = size - pos;
        const bool isFormat = isId(header, "fmt ");
        const bool isData = isId(header, "data");
        if (isFormat || isData) {
            if (chunkSize > left) throw EWaveStreamError();
            if (isFormat && chunkSize < 16) throw EWaveStreamError();
            (isFormat ? format : data) = Body{pos, chunkSize};
        }
        if (chunkSize >= left) break;
        pos += chunkSize;
        // A zero byte after an odd-sized chunk is its padding: chunk ids never start
        // with one.
        if ((chunkSize & 1u) != 0 && pos < size && bytes[pos] == 0) ++pos;
    }
    WaveImage image;
    image.format.assign(bytes + format.at, bytes + format.at + format.size);
    if (soundingMs(pcmFormatOf(image.format), data.size) > kMaxCueMs) throw EWaveStreamError();
    image.data.assign(bytes + data.at, bytes + data.at + data.size);
    return image;
}

std::vector<std::uint8_t> writeWaveImage(const WaveImage& image) {
    constexpr std::size_t kLimit = std::numeric_limits<std::uint32_t>::max() - 64;
    if (image.format.size() > kLimit || image.data.size() > kLimit - image.format.size())
        throw EWaveStreamError();
    const bool hasFormat = !image.format.empty();
    const std::size_t riffSize =
        4 + (hasFormat ? 8 + image.format.size() : 0) + 8 + image.data.size();
    std::vector<std::uint8_t> out;
    out.reserve(8 + riffSize);
    putId(out, "RIFF");
    put32(out, static_cast<std::uint32_t>(riffSize));
    putId(out, "WAVE");
    if (hasFormat) {
        putId(out, "fmt ");
        put32(out, static_cast<std::uint32_t>(image.format.size()));
        out.insert(out.end(), image.format.begin(), image.format.end());
    }
    putId(out, "data");
    put32(out, static_cast<std::uint32_t>(image.data.size()));
    out.insert(out.end(), image.data.begin(), image.data.end());
    return out;
}

PcmFormat pcmFormatOf(const std::vector<std::uint8_t>& format) {
    PcmFormat f;
    if (format.size() < 16) return f;
    const std::uint8_t* p = format.data();
    f.formatTag = le16(p);
    f.channels = le16(p + 2);
    f.samplesPerSec = le32(p + 4);
    f.avgBytesPerSec = le32(p + 8);
    f.blockAlign = le16(p + 12);
    f.bitsPerSample = le16(p + 14);
    return f;
}

void TWave::SetPCM(const PcmFormat& format, std::vector<std::uint8_t> samples) {
    std::vector<std::uint8_t> record;
    put16(record, format.formatTag);
    put16(record, format.channels);
    put32(record, format.samplesPerSec);
    put32(record, format.avgBytesPerSec);
    put16(record, format.blockAlign);
    put16(record, format.bitsPerSample);
    image_.format = std::move(record);
    image_.data = std::move(samples);
}

void TWave::LoadFromBytes(const std::uint8_t* bytes, std::size_t size) {
    image_ = readWaveImage(bytes, size);
}

void TWave::LoadFromFile(const std::string& fileName) {
    const auto bytes = readRegularFile(fileName, kMaxWaveFileBytes);
    if (!bytes) throw EWaveStreamError();
    LoadFromBytes(bytes->data(), bytes->size());
}

void TWave::SaveToFile(const std::string& fileName) const {
    const std::vector<std::uint8_t> bytes = SaveToBytes();
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    if (!out) throw EFCreateError(fileName);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw EFCreateError(fileName);
}

}  // namespace prismcrate
