// Bitmap data written byte by byte, for feeding the bitmap reader images with known pixels.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace prismcrate::testing {

class Bytes {
  public:
    std::vector<std::uint8_t> data;

    Bytes& u8(std::uint32_t v) {
        data.push_back(std::uint8_t(v));
        return *this;
    }
    Bytes& u16(std::uint32_t v) { return u8(v).u8(v >> 8); }
    Bytes& u32(std::uint32_t v) { return u16(v).u16(v >> 16); }
    Bytes& bytes(std::initializer_list<std::uint8_t> list) {
        data.insert(data.end(), list.begin(), list.end());
        return *this;
    }
    Bytes& append(const Bytes& other) {
        data.insert(data.end(), other.data.begin(), other.data.end());
        return *this;
    }
    Bytes& text(const std::string& s) {
        data.insert(data.end(), s.begin(), s.end());
        return *this;
    }
    // A colour table entry: blue, green, red, reserved.
    Bytes& quad(int r, int g, int b) { return u8(b).u8(g).u8(r).u8(0); }
    // A 12-byte header's entry: blue, green, red.
    Bytes& triple(int r, int g, int b) { return u8(b).u8(g).u8(r); }
    // Zero bytes up to a multiple of four from `rowStart`.
    Bytes& padRow(std::size_t rowStart) {
        while ((data.size() - rowStart) % 4 != 0) u8(0);
        return *this;
    }
    std::size_t size() const { return data.size(); }
};

// The 40-byte header.
inline Bytes infoHeader(std::int32_t width, std::int32_t height, int bitCount,
                        std::uint32_t compression = 0, std::uint32_t colorsUsed = 0) {
    Bytes b;
    b.u32(40).u32(std::uint32_t(width)).u32(std::uint32_t(height)).u16(1).u16(bitCount);
    b.u32(compression).u32(0).u32(0).u32(0).u32(colorsUsed).u32(0);
    return b;
}

// The 12-byte header.
inline Bytes coreHeader(int width, int height, int bitCount) {
    Bytes b;
    b.u32(12).u16(width).u16(height).u16(1).u16(bitCount);
    return b;
}

// The 14-byte file header before `dib`.
inline std::vector<std::uint8_t> bitmapFile(const Bytes& dib, std::uint32_t offset = 54) {
    Bytes b;
    b.text("BM").u32(std::uint32_t(14 + dib.size())).u16(0).u16(0).u32(offset);
    b.append(dib);
    return b.data;
}

// The stored form: the class name, then the data.
inline std::vector<std::uint8_t> dibStream(const Bytes& dib, const std::string& name = "TDIB") {
    Bytes b;
    b.u8(std::uint32_t(name.size())).text(name).append(dib);
    return b.data;
}

}  // namespace prismcrate::testing
