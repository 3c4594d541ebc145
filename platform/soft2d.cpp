#include "platform/soft2d.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

namespace prismcrate::soft2d {
namespace {

// What a surface holds after it has lost its memory or been restored: not black, so that
// a picture that was not rebuilt shows.
constexpr std::uint32_t kGarbage = 0xFFCC00CCu;

// Sets every pixel of a surface to one value, four pixels to a store: the fixed-size copy
// becomes one vector store, where a plain loop would be written pixel by pixel.
void fillPixels(std::vector<std::uint32_t, PixelAllocator<std::uint32_t>>& pixels,
                std::uint32_t value) {
    const std::uint32_t quad[4] = {value, value, value, value};
    std::uint32_t* p = pixels.data();
    const std::size_t n = pixels.size();
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) std::memcpy(p + i, quad, sizeof quad);
    for (; i < n; ++i) p[i] = value;
}

// Intersection of two rectangles in 64-bit arithmetic, so that no caller's coordinates
// can overflow.
struct Box {
    std::int64_t left, top, right, bottom;
};

Box toBox(const Rect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

Box intersect(const Box& a, const Box& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

// The area a destination may be written in: the surface, narrowed by its clipper.
Box writableArea(const Surface& dst, bool useClipper) {
    Box area = toBox(dst.bounds());
    if (useClipper && dst.clipper()) area = intersect(area, toBox(*dst.clipper()));
    return area;
}

// A keyed copy of w x h pixels: every source pixel but the key replaces the destination
// pixel. Written as a select rather than a conditional store so that it vectorises; built
// for AVX2 as well where the processor has it, the version being chosen at load time.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && \
    !defined(__SANITIZE_ADDRESS__)
__attribute__((target_clones("avx2", "default")))
#endif
void keyedBlock(std::uint32_t* d, std::size_t dStride, const std::uint32_t* s,
                std::size_t sStride, int w, int h, std::uint32_t key) {
    for (int row = 0; row < h; ++row, d += dStride, s += sStride)
        for (int i = 0; i < w; ++i) d[i] = s[i] == key ? d[i] : s[i];
}

// A plain copy of w x h pixels, row by row. A loop rather than one memcpy call per row:
// sprite rows are short, and the call costs more than the copy.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && \
    !defined(__SANITIZE_ADDRESS__)
__attribute__((target_clones("avx2", "default")))
#endif
void plainBlock(std::uint32_t* d, std::size_t dStride, const std::uint32_t* s,
                std::size_t sStride, int w, int h) {
    for (int row = 0; row < h; ++row, d += dStride, s += sStride)
        for (int i = 0; i < w; ++i) d[i] = s[i];
}

// Copies a w x h block that is known to lie inside both surfaces.
void copyBlock(Surface& dst, int dx, int dy, const Surface& src, int sx, int sy, int w, int h,
               bool keyed) {
    const bool overlap = &dst == &src && dx < sx + w && sx < dx + w && dy < sy + h && sy < dy + h;
    std::vector<std::uint32_t> staged;
    const std::uint32_t* from = nullptr;
    std::size_t fromStride = 0;
    if (overlap) {
        staged.resize(std::size_t(w) * std::size_t(h));
        for (int row = 0; row < h; ++row)
            std::memcpy(staged.data() + std::size_t(row) * std::size_t(w), src.line(sy + row) + sx,
                        std::size_t(w) * sizeof(std::uint32_t));
        from = staged.data();
        fromStride = std::size_t(w);
    } else {
        from = src.line(sy) + sx;
        fromStride = std::size_t(src.width());
    }

    if (!keyed || !src.colorKey()) {
        plainBlock(dst.line(dy) + dx, std::size_t(dst.width()), from, fromStride, w, h);
        return;
    }
    keyedBlock(dst.line(dy) + dx, std::size_t(dst.width()), from, fromStride, w, h,
               *src.colorKey());
}

// A 1:1 copy of srcRect to (x, y), clipped to the source surface and to `area` of the
// destination; each clip moves the matching edge of the other rectangle.
void clippedCopy(Surface& dst, std::int64_t x, std::int64_t y, const Box& area, const Surface& src,
                 const Rect& srcRect, bool keyed) {
    std::int64_t sx = srcRect.left;
    std::int64_t sy = srcRect.top;
    std::int64_t w = std::int64_t(srcRect.right) - srcRect.left;
    std::int64_t h = std::int64_t(srcRect.bottom) - srcRect.top;
    if (sx < 0) {
        x -= sx;
        w += sx;
        sx = 0;
    }
    if (sy < 0) {
        y -= sy;
        h += sy;
        sy = 0;
    }
    w = std::min(w, std::int64_t(src.width()) - sx);
    h = std::min(h, std::int64_t(src.height()) - sy);
    if (x < area.left) {
        const std::int64_t d = area.left - x;
        sx += d;
        w -= d;
        x = area.left;
    }
    if (y < area.top) {
        const std::int64_t d = area.top - y;
        sy += d;
        h -= d;
        y = area.top;
    }
    w = std::min(w, area.right - x);
    h = std::min(h, area.bottom - y);
    if (w <= 0 || h <= 0) return;
    copyBlock(dst, int(x), int(y), src, int(sx), int(sy), int(w), int(h), keyed);
}

// Below this size a surface comes from the ordinary heap. Under AddressSanitizer every
// surface does, so that a write past a surface's end is caught as on the heap.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kMappedPixelBytes = SIZE_MAX;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr std::size_t kMappedPixelBytes = SIZE_MAX;
#else
constexpr std::size_t kMappedPixelBytes = std::size_t(256) << 10;
#endif
#else
constexpr std::size_t kMappedPixelBytes = std::size_t(256) << 10;
#endif

}  // namespace

void* allocatePixels(std::size_t bytes) {
    if (bytes < kMappedPixelBytes) return ::operator new(bytes);
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    return p;
}

void releasePixels(void* p, std::size_t bytes) noexcept {
    if (bytes < kMappedPixelBytes)
        ::operator delete(p);
    else
        ::munmap(p, bytes);
}

Surface::Surface(Device* device, int width, int height, Memory memory, bool primary)
    : device_(device),
      width_(width),
      height_(height),
      memory_(memory),
      primary_(primary),
      pixels_(std::size_t(width) * std::size_t(height)) {
    fillPixels(pixels_, rgbPixel(0, 0, 0));
}

Surface::~Surface() {
    if (device_) device_->release(this);
}

bool Surface::restore() {
    if (lost_) {
        fillPixels(pixels_, kGarbage);
        lost_ = false;
    }
    return !lost_;
}

std::uint32_t Surface::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return line(y)[x];
}

void Surface::setPixel(int x, int y, std::uint32_t value) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    line(y)[x] = value;
}

Result Surface::fill(std::uint32_t value) {
    if (lost_) return Result::Lost;
    fillPixels(pixels_, value);
    return Result::Ok;
}

Device::Device() : Device(Limits{}) {}

Device::Device(Limits limits) : limits_(limits) {}

Device::~Device() {
    // Surfaces that outlive the device keep their pixels but no longer report back.
    for (Surface* surface : surfaces_) surface->device_ = nullptr;
}

std::unique_ptr<Surface> Device::make(int width, int height, Memory memory, bool primary) {
    if (width < 1 || height < 1 || width > limits_.maxSide || height > limits_.maxSide)
        return nullptr;
    const std::size_t bytes = std::size_t(width) * std::size_t(height) * sizeof(std::uint32_t);
    std::size_t& used = memory == Memory::Display ? usedDisplay_ : usedSystem_;
    const std::size_t limit =
        memory == Memory::Display ? limits_.displayMemory : limits_.systemMemory;
    if (bytes > limit || used > limit - bytes) return nullptr;
    std::unique_ptr<Surface> surface(new Surface(this, width, height, memory, primary));
    used += bytes;
    surfaces_.push_back(surface.get());
    return surface;
}

std::unique_ptr<Surface> Device::createSurface(int width, int height, Memory memory) {
    return make(width, height, memory, false);
}

std::unique_ptr<Surface> Device::createPrimarySurface(int width, int height) {
    return make(width, height, Memory::Display, true);
}

void Device::release(Surface* surface) {
    const std::size_t bytes =
        std::size_t(surface->width_) * std::size_t(surface->height_) * sizeof(std::uint32_t);
    (surface->memory_ == Memory::Display ? usedDisplay_ : usedSystem_) -= bytes;
    surfaces_.erase(std::remove(surfaces_.begin(), surfaces_.end(), surface), surfaces_.end());
}

void Device::loseSurfaces() {
    for (Surface* surface : surfaces_) {
        if (surface->memory_ != Memory::Display) continue;
        surface->lost_ = true;
        fillPixels(surface->pixels_, kGarbage);
    }
}

std::size_t Device::used(Memory memory) const {
    return memory == Memory::Display ? usedDisplay_ : usedSystem_;
}

Result bltFast(Surface& dst, int x, int y, const Surface& src, const Rect& srcRect, bool keyed) {
    if (dst.isLost() || src.isLost()) return Result::Lost;
    if (dst.clipper()) return Result::ClipperAttached;
    clippedCopy(dst, x, y, writableArea(dst, false), src, srcRect, keyed);
    return Result::Ok;
}

Result blt(Surface& dst, const Rect& dstRect, const Surface& src, const Rect& srcRect, bool keyed) {
    if (dst.isLost() || src.isLost()) return Result::Lost;
    const std::int64_t dw = std::int64_t(dstRect.right) - dstRect.left;
    const std::int64_t dh = std::int64_t(dstRect.bottom) - dstRect.top;
    const std::int64_t sw = std::int64_t(srcRect.right) - srcRect.left;
    const std::int64_t sh = std::int64_t(srcRect.bottom) - srcRect.top;
    if (dw < 0 || dh < 0 || sw < 0 || sh < 0) return Result::Invalid;
    const Box area = writableArea(dst, true);
    if (dw == sw && dh == sh) {
        clippedCopy(dst, dstRect.left, dstRect.top, area, src, srcRect, keyed);
        return Result::Ok;
    }

    // Stretch: every destination pixel takes the source pixel its position maps onto.
    if (srcRect.left < 0 || srcRect.top < 0 || srcRect.right > src.width() ||
        srcRect.bottom > src.height() || sw == 0 || sh == 0 || dw == 0 || dh == 0)
        return Result::Invalid;
    const Box target = intersect(toBox(dstRect), area);
    const bool useKey = keyed && src.colorKey();
    const std::uint32_t key = useKey ? *src.colorKey() : 0;
    for (std::int64_t y = target.top; y < target.bottom; ++y) {
        const std::int64_t sy = srcRect.top + (y - dstRect.top) * sh / dh;
        const std::uint32_t* s = src.line(int(sy));
        std::uint32_t* d = dst.line(int(y));
        for (std::int64_t x = target.left; x < target.right; ++x) {
            const std::uint32_t value = s[srcRect.left + (x - dstRect.left) * sw / dw];
            if (!useKey || value != key) d[x] = value;
        }
    }
    return Result::Ok;
}

}  // namespace prismcrate::soft2d
