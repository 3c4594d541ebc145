#include "media/dib.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "platform/regular_file.h"

namespace prismcrate {
namespace {

[[noreturn]] void invalid() {
    throw EInvalidGraphic("DIB is invalid");
}

[[noreturn]] void invalidPixelFormat() {
    throw EInvalidGraphic("PixelFormat in invalid");
}

// A cursor over the input that never moves past its end.
class Bytes {
  public:
    explicit Bytes(std::span<const std::uint8_t> data) : data_(data) {}

    std::size_t remaining() const { return data_.size() - pos_; }
    const std::uint8_t* take(std::size_t n) {
        if (n > remaining()) invalid();
        const std::uint8_t* p = data_.data() + pos_;
        pos_ += n;
        return p;
    }
    std::uint8_t u8() { return *take(1); }
    std::uint16_t u16() {
        const std::uint8_t* p = take(2);
        return std::uint16_t(p[0] | (p[1] << 8));
    }
    std::uint32_t u32() {
        const std::uint8_t* p = take(4);
        return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
               (std::uint32_t(p[3]) << 24);
    }
    std::int32_t i32() { return std::int32_t(u32()); }
    std::span<const std::uint8_t> rest() const { return data_.subspan(pos_); }

  private:
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

constexpr std::uint32_t opaque(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// One colour channel of a 16- or 32-bit pixel, described by its bit mask.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(std::uint32_t m = 0) : mask(m) {
        if (m != 0) {
            shift = std::countr_zero(m);
            bits = std::popcount(m);
        }
    }
    // True for one unbroken run of set bits.
    bool contiguous() const { return mask != 0 && std::popcount((mask >> shift) + 1) == 1; }
    std::uint32_t value8(std::uint32_t pixel) const {
        const std::uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8) return v >> (bits - 8);
        const std::uint32_t max = (1u << bits) - 1;
        return (v * 255 + max / 2) / max;
    }
};

struct Masks {
    Channel red, green, blue;
    std::uint32_t pixel(std::uint32_t p) const {
        return opaque(red.value8(p), green.value8(p), blue.value8(p));
    }
};

Masks checkedMasks(int bitCount, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    if (bitCount == 16) {
        const bool rgb555 = r == 0x7C00 && g == 0x03E0 && b == 0x001F;
        const bool rgb565 = r == 0xF800 && g == 0x07E0 && b == 0x001F;
        if (!rgb555 && !rgb565) invalidPixelFormat();
    } else if (bitCount == 32) {
        // Three disjoint bytes-wide fields, in any order.
        const Channel channels[] = {Channel(r), Channel(g), Channel(b)};
        for (const Channel& c : channels)
            if (!c.contiguous() || c.bits != 8) invalidPixelFormat();
        if ((r & g) || (r & b) || (g & b)) invalidPixelFormat();
    } else {
        invalidPixelFormat();
    }
    return Masks{Channel(r), Channel(g), Channel(b)};
}

struct Header {
    std::int64_t width = 0;
    std::int64_t height = 0;  // absolute value
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = 0;
};

using Palette = std::array<std::uint32_t, 256>;

// Run-length coded 8- or 4-bit indices into `indices` (rows bottom-up in the data, stored
// top-down here). Unreached pixels keep index 0. Every step consumes input, so a hostile
// stream ends when the data does.
void decodeRle(Bytes& in, const Header& h, bool fourBit, std::vector<std::uint8_t>& indices) {
    const std::int64_t w = h.width;
    const std::int64_t height = h.height;
    std::int64_t x = 0;
    std::int64_t y = 0;  // counted from the bottom row
    auto put = [&](std::uint8_t index) {
        if (x < w && y < height) indices[std::size_t((height - 1 - y) * w + x)] = index;
        if (x < w) ++x;
    };
    while (y < height && in.remaining() >= 2) {
        const std::uint8_t count = in.u8();
        const std::uint8_t value = in.u8();
        if (count > 0) {
            for (int i = 0; i < count; ++i) {
                if (fourBit)
                    put(i % 2 == 0 ? std::uint8_t(value >> 4) : std::uint8_t(value & 0x0F));
                else
                    put(value);
            }
            continue;
        }
        switch (value) {
            case 0:  // end of line
                x = 0;
                ++y;
                break;
            case 1:  // end of bitmap
                return;
            case 2: {  // delta
                if (in.remaining() < 2) return;
                const std::uint8_t dx = in.u8();
                const std::uint8_t dy = in.u8();
                x = std::min<std::int64_t>(x + dx, w);
                y += dy;
                break;
            }
            default: {  // absolute run of `value` pixels, padded to a 16-bit boundary
                const std::size_t n = value;
                const std::size_t bytes = fourBit ? (n + 1) / 2 : n;
                if (in.remaining() < bytes) return;
                const std::uint8_t* p = in.take(bytes);
                for (std::size_t i = 0; i < n; ++i) {
                    if (fourBit)
                        put(i % 2 == 0 ? std::uint8_t(p[i / 2] >> 4)
                                       : std::uint8_t(p[i / 2] & 0x0F));
                    else
                        put(p[i]);
                }
                if (bytes % 2 == 1) {
                    if (in.remaining() < 1) return;
                    in.u8();
                }
                break;
            }
        }
    }
}

void decodeRows(Bytes& in, const Header& h, const Palette& palette, const Masks& masks,
                DibImage& out) {
    const std::int64_t w = h.width;
    const std::int64_t stride = ((w * h.bitCount + 31) / 32) * 4;
    for (std::int64_t row = 0; row < h.height; ++row) {
        const std::uint8_t* src = in.take(std::size_t(stride));
        const std::int64_t outRow = h.topDown ? row : h.height - 1 - row;
        std::uint32_t* dst = out.pixels.data() + std::size_t(outRow * w);
        for (std::int64_t x = 0; x < w; ++x) {
            std::uint32_t value = 0;
            switch (h.bitCount) {
                case 1:
                    value = palette[(src[x >> 3] >> (7 - (x & 7))) & 1];
                    break;
                case 4:
                    value = palette[(x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4)];
                    break;
                case 8:
                    value = palette[src[x]];
                    break;
                case 16:
                    value = masks.pixel(std::uint32_t(src[2 * x] | (src[2 * x + 1] << 8)));
                    break;
                case 24:
                    value = opaque(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
                    break;
                default: {  // 32
                    const std::uint8_t* p = src + 4 * x;
                    value = masks.pixel(std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) |
                                        (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24));
                    break;
                }
            }
            dst[x] = value;
        }
    }
}

}  // namespace

DibImage decodeDibData(std::span<const std::uint8_t> data) {
    if (data.empty()) return {};
    Bytes in(data);
    Header h;
    const std::uint32_t headerSize = in.u32();
    std::uint32_t colorsUsed = 0;
    bool core = false;
    if (headerSize == 12) {
        core = true;
        h.width = in.u16();
        h.height = in.u16();
        in.u16();  // planes
        h.bitCount = in.u16();
    } else if (headerSize == 40) {
        h.width = in.i32();
        const std::int32_t height = in.i32();
        h.topDown = height < 0;
        h.height = h.topDown ? -std::int64_t(height) : height;
        in.u16();  // planes
        h.bitCount = in.u16();
        h.compression = in.u32();
        in.take(12);  // image size, resolutions: not needed to read the rows
        colorsUsed = in.u32();
        in.u32();  // important colours
    } else {
        invalid();
    }
    if (h.compression > 3) invalid();
    switch (h.bitCount) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        default:
            throw EInvalidGraphic("Bitcount in invalid (" + std::to_string(h.bitCount) + ")");
    }

    Masks masks;
    if (h.compression == 3) {
        const std::uint32_t r = in.u32();
        const std::uint32_t g = in.u32();
        const std::uint32_t b = in.u32();
        masks = checkedMasks(h.bitCount, r, g, b);
    } else if (h.bitCount == 16) {
        masks = Masks{Channel(0x7C00), Channel(0x03E0), Channel(0x001F)};
    } else if (h.bitCount == 32) {
        masks = Masks{Channel(0xFF0000), Channel(0xFF00), Channel(0xFF)};
    }
    if ((h.compression == 1 && h.bitCount != 8) || (h.compression == 2 && h.bitCount != 4))
        invalid();

    // Colour table: biClrUsed entries, or a full table for indexed depths when that is 0,
    // never more than 256. Entries past the table (and indices past it) are black.
    Palette palette;
    palette.fill(opaque(0, 0, 0));
    std::size_t entries = 0;
    if (core)
        entries = h.bitCount <= 8 ? std::size_t(1) << h.bitCount : 0;
    else if (colorsUsed != 0)
        entries = std::min<std::uint32_t>(colorsUsed, 256);
    else if (h.bitCount <= 8)
        entries = std::size_t(1) << h.bitCount;
    const std::size_t entrySize = core ? 3 : 4;
    for (std::size_t i = 0; i < entries; ++i) {
        const std::uint8_t* p = in.take(entrySize);
        palette[i] = opaque(p[2], p[1], p[0]);
    }

    if (h.width < 0) invalid();
    if (h.width == 0 || h.height == 0) return DibImage{0, 0, h.bitCount, {}};
    if (h.width > kDibMaxSide || h.height > kDibMaxSide || h.width * h.height > kDibMaxPixels)
        invalid();
    if (h.topDown && (h.compression == 1 || h.compression == 2)) invalid();

    DibImage out;
    out.width = int(h.width);
    out.height = int(h.height);
    out.bitCount = h.bitCount;
    if (h.compression == 1 || h.compression == 2) {
        std::vector<std::uint8_t> indices(std::size_t(h.width * h.height), 0);
        decodeRle(in, h, h.compression == 2, indices);
        out.pixels.resize(indices.size());
        std::transform(indices.begin(), indices.end(), out.pixels.begin(),
                       [&](std::uint8_t i) { return palette[i]; });
        return out;
    }
    // Check the rows are all there before allocating for them.
    const std::int64_t stride = ((h.width * h.bitCount + 31) / 32) * 4;
    if (stride * h.height > std::int64_t(in.remaining())) invalid();
    out.pixels.resize(std::size_t(h.width * h.height));
    decodeRows(in, h, palette, masks, out);
    return out;
}

DibImage decodeDibStream(std::span<const std::uint8_t> data) {
    if (data.empty()) return {};
    Bytes in(data);
    const std::uint8_t length = in.u8();
    const std::uint8_t* name = in.take(length);
    if (length != 4 || std::memcmp(name, "TDIB", 4) != 0) invalid();
    return decodeDibData(in.rest());
}

DibImage decodeBitmapFile(std::span<const std::uint8_t> data) {
    if (data.empty()) return {};
    Bytes in(data);
    const std::uint8_t* header = in.take(14);
    if (header[0] != 'B' || header[1] != 'M') invalid();
    // The rows follow the header and colour table directly; the offset field is not used.
    return decodeDibData(in.rest());
}

void TDIB::LoadFromFile(const std::string& fileName) {
    const auto bytes = readRegularFile(fileName, kDibMaxFileBytes);
    if (!bytes) invalid();
    image_ = decodeBitmapFile(*bytes);
}

}  // namespace prismcrate
