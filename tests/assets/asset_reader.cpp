#include "tests/assets/asset_reader.h"

#include <fstream>
#include <iterator>

namespace prismcrate::assetgen::testing {

namespace {

class Cursor {
  public:
    Cursor(const Bytes& b, std::size_t pos) : b_(b), pos_(pos) {}
    bool has(std::size_t n) const { return pos_ <= b_.size() && b_.size() - pos_ >= n; }
    std::uint8_t u8() { return b_[pos_++]; }
    std::uint16_t u16() {
        const std::uint16_t lo = u8();
        return static_cast<std::uint16_t>(lo | (u8() << 8));
    }
    std::uint32_t u32() {
        const std::uint32_t lo = u16();
        return lo | (static_cast<std::uint32_t>(u16()) << 16);
    }
    std::string tag() {
        std::string s;
        for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(u8()));
        return s;
    }
    std::size_t pos() const { return pos_; }
    void skip(std::size_t n) { pos_ += n; }
    void seek(std::size_t p) { pos_ = p; }

  private:
    const Bytes& b_;
    std::size_t pos_;
};

}  // namespace

Bytes readBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::optional<BmpFile> parseBmp(const Bytes& bytes) {
    Cursor c(bytes, 0);
    if (!c.has(54) || bytes[0] != 'B' || bytes[1] != 'M') return std::nullopt;
    BmpFile f;
    c.skip(2);
    f.fileSize = c.u32();
    f.reserved1 = c.u16();
    f.reserved2 = c.u16();
    f.pixelOffset = c.u32();
    f.headerSize = c.u32();
    f.width = static_cast<std::int32_t>(c.u32());
    f.height = static_cast<std::int32_t>(c.u32());
    f.planes = c.u16();
    f.bitCount = c.u16();
    f.compression = c.u32();
    f.imageSize = c.u32();
    f.xPelsPerMeter = static_cast<std::int32_t>(c.u32());
    f.yPelsPerMeter = static_cast<std::int32_t>(c.u32());
    f.clrUsed = c.u32();
    f.clrImportant = c.u32();
    if (f.headerSize != 40 || f.compression != 0) return std::nullopt;
    if (f.width <= 0 || f.width > 4096 || f.height <= 0 || f.height > 4096) return std::nullopt;
    if (f.bitCount != 8 && f.bitCount != 24) return std::nullopt;

    if (f.bitCount == 8) {
        const std::uint32_t entries = f.clrUsed == 0 ? 256 : f.clrUsed;
        if (entries > 256 || !c.has(entries * 4)) return std::nullopt;
        for (std::uint32_t i = 0; i < entries; ++i) {
            const std::uint8_t b = c.u8();
            const std::uint8_t g = c.u8();
            const std::uint8_t r = c.u8();
            c.skip(1);
            f.colourTable.push_back(Rgb{r, g, b});
        }
    }
    const std::size_t stride = ((static_cast<std::size_t>(f.width) * f.bitCount + 31) / 32) * 4;
    if (f.pixelOffset > bytes.size() ||
        bytes.size() - f.pixelOffset < stride * static_cast<std::size_t>(f.height)) {
        return std::nullopt;
    }
    const std::size_t w = static_cast<std::size_t>(f.width);
    f.pixels.resize(w * static_cast<std::size_t>(f.height));
    if (f.bitCount == 8) f.indices.resize(f.pixels.size());
    for (int row = 0; row < f.height; ++row) {
        const std::size_t y = static_cast<std::size_t>(f.height - 1 - row);
        const std::size_t start = f.pixelOffset + stride * static_cast<std::size_t>(row);
        std::size_t used = 0;
        for (std::size_t x = 0; x < w; ++x) {
            if (f.bitCount == 24) {
                const std::size_t p = start + x * 3;
                f.pixels[y * w + x] = Rgb{bytes[p + 2], bytes[p + 1], bytes[p]};
                used = (x + 1) * 3;
            } else {
                const std::uint8_t index = bytes[start + x];
                if (index >= f.colourTable.size()) return std::nullopt;
                f.indices[y * w + x] = index;
                f.pixels[y * w + x] = f.colourTable[index];
                used = x + 1;
            }
        }
        for (std::size_t p = used; p < stride; ++p) {
            if (bytes[start + p] != 0) f.paddingIsZero = false;
        }
    }
    return f;
}

std::optional<WavFile> parseWav(const Bytes& bytes) {
    Cursor c(bytes, 0);
    if (!c.has(12) || c.tag() != "RIFF") return std::nullopt;
    WavFile w;
    w.riffSize = c.u32();
    if (c.tag() != "WAVE") return std::nullopt;
    bool haveFmt = false;
    bool haveData = false;
    while (c.has(8)) {
        const std::string id = c.tag();
        const std::uint32_t size = c.u32();
        if (!c.has(size)) return std::nullopt;
        w.chunkOrder.push_back(id);
        const std::size_t body = c.pos();
        if (id == "fmt ") {
            if (size < 16) return std::nullopt;
            w.fmtSize = size;
            w.format = c.u16();
            w.channels = c.u16();
            w.sampleRate = c.u32();
            w.byteRate = c.u32();
            w.blockAlign = c.u16();
            w.bitsPerSample = c.u16();
            haveFmt = true;
        } else if (id == "data") {
            w.samples.assign(bytes.begin() + static_cast<std::ptrdiff_t>(body),
                             bytes.begin() + static_cast<std::ptrdiff_t>(body + size));
            haveData = true;
        }
        c.seek(body + size);
    }
    if (!haveFmt || !haveData) return std::nullopt;
    return w;
}

std::vector<Rgb> patternOf(const BmpFile& sheet, int n) {
    std::vector<Rgb> out;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x) out.push_back(sheet.at(n * 24 + x, y));
    }
    return out;
}

}  // namespace prismcrate::assetgen::testing
