// The bitmap reader: device-independent bitmaps as they are stored in bitmap files (with
// the 14-byte "BM" file header) and in the main window's stored component data (the class
// name "TDIB" before the data). The decoders are pure functions over a byte buffer; they
// treat the bytes as hostile and raise EInvalidGraphic for anything they cannot read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/error.h"

namespace prismcrate {

class EInvalidGraphic : public Error {
  public:
    using Error::Error;
};

// Largest image the reader accepts. The game's sheets are far smaller; these bounds keep
// a lying header from asking for gigabytes.
inline constexpr int kDibMaxSide = 32767;
inline constexpr std::int64_t kDibMaxPixels = std::int64_t(1) << 24;
// Largest bitmap file read: the rows of the largest image at 32 bits, with room for the
// headers, masks and colour table.
inline constexpr std::size_t kDibMaxFileBytes = (std::size_t(kDibMaxPixels) << 2) + (64u << 10);

// A decoded bitmap: rows from top to bottom, one 0xFFRRGGBB word per pixel.
struct DibImage {
    int width = 0;
    int height = 0;
    int bitCount = 0;  // the depth the data was stored with
    std::vector<std::uint32_t> pixels;

    bool empty() const { return width <= 0 || height <= 0; }
    std::uint32_t pixel(int x, int y) const {
        return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    }
};

// The data itself: info header (12 or 40 bytes), masks, colour table, pixel rows.
DibImage decodeDibData(std::span<const std::uint8_t> data);
// The stored form: one length byte, the class name "TDIB", then the data.
DibImage decodeDibStream(std::span<const std::uint8_t> data);
// A bitmap file: the 14-byte file header starting with "BM", then the data.
DibImage decodeBitmapFile(std::span<const std::uint8_t> data);

// The sheet picture of an image-list item.
class TDIB {
  public:
    TDIB() = default;
    explicit TDIB(DibImage image) : image_(std::move(image)) {}

    int Width() const { return image_.empty() ? 0 : image_.width; }
    int Height() const { return image_.empty() ? 0 : image_.height; }
    int BitCount() const { return image_.bitCount; }
    bool Empty() const { return image_.empty(); }
    // Row y from the top; valid for 0 <= y < Height().
    const std::uint32_t* ScanLine(int y) const {
        return image_.pixels.data() + std::size_t(y) * std::size_t(image_.width);
    }
    const DibImage& Image() const { return image_; }

    void Assign(DibImage image) { image_ = std::move(image); }
    void Clear() { image_ = DibImage{}; }

    void LoadFromStream(std::span<const std::uint8_t> data) { image_ = decodeDibStream(data); }
    void LoadFromBitmapFile(std::span<const std::uint8_t> data) { image_ = decodeBitmapFile(data); }
    // Reads a bitmap file; EFOpenError when it cannot be opened or is not a regular file,
    // "DIB is invalid" when it is longer than kDibMaxFileBytes.
    void LoadFromFile(const std::string& fileName);

  private:
    DibImage image_;
};

}  // namespace prismcrate
