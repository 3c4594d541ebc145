// A small software 2-D device: 32-bit pixel surfaces in memory, rectangle copies with or
// without a source colour key, an optional clip rectangle (the clipper) on a destination,
// and surfaces that can be "lost" on request so that the code that restores them can be
// exercised. Pixels are 0xAARRGGBB words with the alpha byte always 0xFF, the layout of
// QImage::Format_RGB32, so a surface can be shown without conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace prismcrate::soft2d {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return left >= right || top >= bottom; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Where a surface lives. Display memory is limited and is lost with the device; system
// memory is plentiful and never lost.
enum class Memory { Display, System };

enum class Result {
    Ok,
    Lost,             // a surface of the copy has lost its memory
    ClipperAttached,  // the fast copy cannot honour the destination's clipper
    Invalid,          // bad arguments (for instance a stretch from outside the source)
};

// The pixel value of an opaque colour given by its red, green and blue parts.
constexpr std::uint32_t rgbPixel(int r, int g, int b) {
    return 0xFF000000u | (std::uint32_t(r & 0xFF) << 16) | (std::uint32_t(g & 0xFF) << 8) |
           std::uint32_t(b & 0xFF);
}

class Device;

// Memory for surface pixels. A surface is written whole as soon as it is made, so a large
// one is mapped with all its pages present at once: taking them one fault at a time costs
// the start of the program about a millisecond per screen-sized surface.
void* allocatePixels(std::size_t bytes);
void releasePixels(void* p, std::size_t bytes) noexcept;

template <class T>
struct PixelAllocator {
    using value_type = T;
    PixelAllocator() = default;
    template <class U>
    PixelAllocator(const PixelAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) { return static_cast<T*>(allocatePixels(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) noexcept { releasePixels(p, n * sizeof(T)); }
    template <class U>
    bool operator==(const PixelAllocator<U>&) const noexcept {
        return true;
    }
};

class Surface {
  public:
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    Memory memory() const { return memory_; }
    bool isPrimary() const { return primary_; }
    Rect bounds() const { return {0, 0, width_, height_}; }

    // A lost surface refuses copies and fills until it is restored; its contents are gone.
    bool isLost() const { return lost_; }
    // Gives a lost surface its memory back (contents undefined). True when not lost after.
    bool restore();

    // Row y (0 <= y < height) of width() pixels.
    std::uint32_t* line(int y) { return pixels_.data() + std::size_t(y) * std::size_t(width_); }
    const std::uint32_t* line(int y) const {
        return pixels_.data() + std::size_t(y) * std::size_t(width_);
    }
    // Single pixels; reads outside give 0 and writes outside are ignored.
    std::uint32_t pixel(int x, int y) const;
    void setPixel(int x, int y, std::uint32_t value);

    Result fill(std::uint32_t value);

    // Source colour key: a keyed copy from this surface skips pixels equal to it.
    void setColorKey(std::uint32_t key) { colorKey_ = key; }
    void clearColorKey() { colorKey_.reset(); }
    const std::optional<std::uint32_t>& colorKey() const { return colorKey_; }

    // The clipper: general copies into this surface stay inside the rectangle, and the
    // fast copy refuses a destination that has one.
    void setClipper(std::optional<Rect> clip) { clipper_ = clip; }
    const std::optional<Rect>& clipper() const { return clipper_; }

  private:
    friend class Device;
    Surface(Device* device, int width, int height, Memory memory, bool primary);

    Device* device_;
    int width_;
    int height_;
    Memory memory_;
    bool primary_;
    bool lost_ = false;
    std::optional<std::uint32_t> colorKey_;
    std::optional<Rect> clipper_;
    std::vector<std::uint32_t, PixelAllocator<std::uint32_t>> pixels_;
};

class Device {
  public:
    struct Limits {
        std::size_t displayMemory = std::size_t(64) << 20;
        std::size_t systemMemory = std::size_t(512) << 20;
        int maxSide = 16384;
    };

    Device();
    explicit Device(Limits limits);
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // A plain off-screen surface, or nullptr when it cannot be made in that memory (a side
    // below 1 or above the limit, or the memory is used up). Contents start black.
    std::unique_ptr<Surface> createSurface(int width, int height, Memory memory);
    // The surface that stands for the visible screen area; display memory.
    std::unique_ptr<Surface> createPrimarySurface(int width, int height);

    // Test hook: every display-memory surface loses its memory, as when another program
    // takes the display.
    void loseSurfaces();

    std::size_t used(Memory memory) const;
    const Limits& limits() const { return limits_; }

  private:
    friend class Surface;
    std::unique_ptr<Surface> make(int width, int height, Memory memory, bool primary);
    void release(Surface* surface);

    Limits limits_;
    std::size_t usedDisplay_ = 0;
    std::size_t usedSystem_ = 0;
    std::vector<Surface*> surfaces_;
};

// The fast copy: srcRect of src onto dst with its top-left corner at (x, y), the same size,
// clipped to both surfaces. Refuses a destination with a clipper.
Result bltFast(Surface& dst, int x, int y, const Surface& src, const Rect& srcRect, bool keyed);

// The general copy: srcRect of src onto dstRect of dst. Equal sizes copy 1:1, clipped to
// both surfaces and to dst's clipper; different sizes stretch (nearest pixel), which needs
// srcRect inside src, and are clipped to dst and its clipper.
Result blt(Surface& dst, const Rect& dstRect, const Surface& src, const Rect& srcRect, bool keyed);

}  // namespace prismcrate::soft2d
