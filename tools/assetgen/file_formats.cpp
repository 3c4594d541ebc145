#include "tools/assetgen/file_formats.h"

#include <fstream>
#include <stdexcept>

namespace prismcrate::assetgen {

namespace {

void put16(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xff));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xff));
}

void put32(Bytes& out, std::uint32_t v) {
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

void putTag(Bytes& out, const char (&tag)[5]) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;

// File header and info header for an uncompressed bottom-up bitmap.
void putBmpHeaders(Bytes& out, int width, int height, int bits, std::uint32_t tableEntries) {
    const std::uint32_t imageSize =
        static_cast<std::uint32_t>(bmpStride(width, bits)) * static_cast<std::uint32_t>(height);
    const std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize + tableEntries * 4;
    out.push_back('B');
    out.push_back('M');
    put32(out, offset + imageSize);
    put16(out, 0);
    put16(out, 0);
    put32(out, offset);
    put32(out, kInfoHeaderSize);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));
    put16(out, 1);  // planes
    put16(out, static_cast<std::uint32_t>(bits));
    put32(out, 0);  // no compression
    put32(out, imageSize);
    put32(out, 0);  // horizontal resolution
    put32(out, 0);  // vertical resolution
    put32(out, tableEntries);
    put32(out, 0);  // all colours important
}

void checkSize(int width, int height, std::size_t count) {
    if (width <= 0 || height <= 0 ||
        count != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        throw std::invalid_argument("bitmap size does not match its pixels");
    }
}

}  // namespace

int bmpStride(int width, int bitsPerPixel) {
    return ((width * bitsPerPixel + 31) / 32) * 4;
}

Bytes encodeBmp24(int width, int height, const std::vector<Rgb>& pixels) {
    checkSize(width, height, pixels.size());
    const int stride = bmpStride(width, 24);
    Bytes out;
    out.reserve(kFileHeaderSize + kInfoHeaderSize + static_cast<std::size_t>(stride) * height);
    putBmpHeaders(out, width, height, 24, 0);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const Rgb& p = pixels[static_cast<std::size_t>(y) * width + x];
            out.push_back(p.b);
            out.push_back(p.g);
            out.push_back(p.r);
        }
        for (int pad = width * 3; pad < stride; ++pad) out.push_back(0);
    }
    return out;
}

Bytes encodeBmp8(int width, int height, const std::vector<std::uint8_t>& indices,
                 const std::vector<Rgb>& colours) {
    checkSize(width, height, indices.size());
    if (colours.size() > 256) throw std::invalid_argument("more than 256 colours");
    const int stride = bmpStride(width, 8);
    Bytes out;
    putBmpHeaders(out, width, height, 8, 256);
    for (std::size_t i = 0; i < 256; ++i) {
        const Rgb c = i < colours.size() ? colours[i] : Rgb{};
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            out.push_back(indices[static_cast<std::size_t>(y) * width + x]);
        }
        for (int pad = width; pad < stride; ++pad) out.push_back(0);
    }
    return out;
}

Bytes encodeWav8(std::uint32_t sampleRate, const std::vector<std::uint8_t>& samples) {
    const auto dataSize = static_cast<std::uint32_t>(samples.size());
    Bytes out;
    out.reserve(44 + samples.size());
    putTag(out, "RIFF");
    put32(out, 4 + (8 + 16) + (8 + dataSize));
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, 1);  // one channel
    put32(out, sampleRate);
    put32(out, sampleRate);  // bytes per second
    put16(out, 1);           // block alignment
    put16(out, 8);           // bits per sample
    putTag(out, "data");
    put32(out, dataSize);
    out.insert(out.end(), samples.begin(), samples.end());
    return out;
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (f)
        f.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
    if (f) f.close();
    if (!f) throw std::runtime_error("cannot write " + path);
}

}  // namespace prismcrate::assetgen
