#include "platform/soft2d.h"

#include <gtest/gtest.h>

#include <climits>

namespace prismcrate::soft2d {
namespace {

constexpr std::uint32_t kKey = rgbPixel(128, 0, 128);
constexpr std::uint32_t kFloor = rgbPixel(35, 128, 35);

// A surface whose pixel (x, y) is a value unique to that position.
std::uint32_t marker(int x, int y) {
    return rgbPixel(x, y, 7);
}

void paintMarkers(Surface& s) {
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) s.setPixel(x, y, marker(x, y));
}

// Every pixel of dst is either `fill` or the marker of the source pixel it came from at
// offset (ox, oy); returns how many came from the source.
int countCopied(const Surface& dst, std::uint32_t fill, int ox, int oy) {
    int copied = 0;
    for (int y = 0; y < dst.height(); ++y) {
        for (int x = 0; x < dst.width(); ++x) {
            const std::uint32_t p = dst.pixel(x, y);
            if (p == fill) continue;
            EXPECT_EQ(p, marker(x - ox, y - oy)) << x << "," << y;
            ++copied;
        }
    }
    return copied;
}

TEST(Soft2d, SurfacesStartBlackAndRefuseUnreasonableSizes) {
    Device device;
    auto s = device.createSurface(3, 2, Memory::Display);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->pixel(2, 1), rgbPixel(0, 0, 0));
    EXPECT_EQ(s->pixel(3, 0), 0u) << "reads outside give 0";
    s->setPixel(-1, 0, kKey);  // ignored, no write outside
    EXPECT_FALSE(device.createSurface(0, 5, Memory::System));
    EXPECT_FALSE(device.createSurface(5, -1, Memory::System));
    EXPECT_FALSE(device.createSurface(100000, 100000, Memory::System));
    EXPECT_FALSE(device.createSurface(INT_MAX, INT_MAX, Memory::System));
}

TEST(Soft2d, MemoryIsAccountedAndReturned) {
    Device device(Device::Limits{1000, 400, 64});
    auto a = device.createSurface(10, 10, Memory::Display);  // 400 bytes
    ASSERT_TRUE(a);
    EXPECT_EQ(device.used(Memory::Display), 400u);
    auto b = device.createSurface(10, 10, Memory::Display);
    ASSERT_TRUE(b);
    EXPECT_FALSE(device.createSurface(10, 10, Memory::Display)) << "display memory used up";
    EXPECT_TRUE(device.createSurface(10, 10, Memory::System));
    EXPECT_FALSE(device.createSurface(11, 10, Memory::System));
    a.reset();
    EXPECT_EQ(device.used(Memory::Display), 400u);
    EXPECT_TRUE(device.createSurface(10, 10, Memory::Display));
}

TEST(Soft2d, FastCopyClipsOnEverySideWithoutTouchingOutside) {
    Device device;
    auto src = device.createSurface(24, 24, Memory::Display);
    paintMarkers(*src);
    auto dst = device.createSurface(48, 48, Memory::Display);
    struct Case {
        int x, y;
        Rect srcRect;
        int expectedPixels;
    } cases[] = {
        {10, 10, {0, 0, 24, 24}, 24 * 24},  // inside
        {38, 0, {0, 0, 24, 24}, 10 * 24},   // right edge: 10 columns
        {-5, 0, {0, 0, 24, 24}, 19 * 24},   // left edge: right 19 columns
        {0, -20, {0, 0, 24, 24}, 24 * 4},   // top edge
        {0, 40, {0, 0, 24, 24}, 24 * 8},    // bottom edge
        {-30, 0, {0, 0, 24, 24}, 0},        // wholly left
        {48, 48, {0, 0, 24, 24}, 0},        // at the far corner
        {0, 0, {-4, -2, 20, 24}, 20 * 24},  // source rectangle sticks out of the source
        {0, 0, {20, 20, 40, 40}, 4 * 4},    // and out of its far side
        {0, 0, {5, 5, 5, 10}, 0},           // empty
        {INT_MAX - 3, 0, {0, 0, 24, 24}, 0},
        {INT_MIN + 3, INT_MIN, {0, 0, 24, 24}, 0},
    };
    for (const Case& c : cases) {
        dst->fill(kFloor);
        ASSERT_EQ(bltFast(*dst, c.x, c.y, *src, c.srcRect, false), Result::Ok);
        // Destination pixel (X, Y) shows source pixel (X - x + left, Y - y + top).
        EXPECT_EQ(countCopied(*dst, kFloor, c.x - c.srcRect.left, c.y - c.srcRect.top),
                  c.expectedPixels)
            << "at " << c.x << "," << c.y;
    }
}

TEST(Soft2d, KeyedCopySkipsOnlyTheKeyColour) {
    Device device;
    auto sprite = device.createSurface(4, 1, Memory::Display);
    sprite->setPixel(0, 0, kKey);
    sprite->setPixel(1, 0, rgbPixel(255, 0, 0));
    sprite->setPixel(2, 0, rgbPixel(128, 0, 129));  // near the key but not it
    sprite->setPixel(3, 0, kKey);
    sprite->setColorKey(kKey);
    auto field = device.createSurface(4, 1, Memory::Display);
    field->fill(kFloor);

    ASSERT_EQ(bltFast(*field, 0, 0, *sprite, sprite->bounds(), true), Result::Ok);
    EXPECT_EQ(field->pixel(0, 0), kFloor);
    EXPECT_EQ(field->pixel(1, 0), rgbPixel(255, 0, 0));
    EXPECT_EQ(field->pixel(2, 0), rgbPixel(128, 0, 129));
    EXPECT_EQ(field->pixel(3, 0), kFloor);

    ASSERT_EQ(bltFast(*field, 0, 0, *sprite, sprite->bounds(), false), Result::Ok);
    EXPECT_EQ(field->pixel(0, 0), kKey) << "an unkeyed copy is opaque";

    sprite->clearColorKey();
    field->fill(kFloor);
    bltFast(*field, 0, 0, *sprite, sprite->bounds(), true);
    EXPECT_EQ(field->pixel(0, 0), kKey) << "no key set: nothing to skip";
}

TEST(Soft2d, ClipperRefusesTheFastCopyAndConfinesTheGeneralOne) {
    Device device;
    auto src = device.createSurface(10, 10, Memory::Display);
    paintMarkers(*src);
    auto dst = device.createPrimarySurface(10, 10);
    dst->fill(kFloor);
    dst->setClipper(Rect{2, 2, 6, 6});
    EXPECT_EQ(bltFast(*dst, 0, 0, *src, src->bounds(), false), Result::ClipperAttached);
    EXPECT_EQ(dst->pixel(3, 3), kFloor) << "a refused copy writes nothing";
    ASSERT_EQ(blt(*dst, src->bounds(), *src, src->bounds(), false), Result::Ok);
    EXPECT_EQ(countCopied(*dst, kFloor, 0, 0), 16);
    EXPECT_EQ(dst->pixel(5, 5), marker(5, 5));
    EXPECT_EQ(dst->pixel(6, 6), kFloor);
}

TEST(Soft2d, GeneralCopyStretchesAndRejectsSourcesOutsideTheSurface) {
    Device device;
    auto src = device.createSurface(2, 2, Memory::System);
    paintMarkers(*src);
    auto dst = device.createSurface(4, 4, Memory::System);
    ASSERT_EQ(blt(*dst, Rect{0, 0, 4, 4}, *src, src->bounds(), false), Result::Ok);
    EXPECT_EQ(dst->pixel(0, 0), marker(0, 0));
    EXPECT_EQ(dst->pixel(1, 1), marker(0, 0));
    EXPECT_EQ(dst->pixel(2, 1), marker(1, 0));
    EXPECT_EQ(dst->pixel(3, 3), marker(1, 1));
    // Stretched partly off the destination: only the visible part is written.
    ASSERT_EQ(blt(*dst, Rect{-4, -4, 4, 4}, *src, src->bounds(), false), Result::Ok);
    EXPECT_EQ(dst->pixel(0, 0), marker(1, 1));
    EXPECT_EQ(blt(*dst, Rect{0, 0, 4, 4}, *src, Rect{1, 1, 3, 3}, false), Result::Invalid);
    EXPECT_EQ(blt(*dst, Rect{4, 4, 0, 0}, *src, src->bounds(), false), Result::Invalid);
}

TEST(Soft2d, OverlappingCopyWithinOneSurfaceReadsTheOriginalPixels) {
    Device device;
    auto s = device.createSurface(8, 1, Memory::System);
    paintMarkers(*s);
    ASSERT_EQ(bltFast(*s, 2, 0, *s, Rect{0, 0, 6, 1}, false), Result::Ok);
    for (int x = 2; x < 8; ++x) EXPECT_EQ(s->pixel(x, 0), marker(x - 2, 0));
}

TEST(Soft2d, LostSurfacesRefuseWorkUntilRestoredAndSystemMemoryIsNeverLost) {
    Device device;
    auto display = device.createSurface(4, 4, Memory::Display);
    auto primary = device.createPrimarySurface(4, 4);
    auto system = device.createSurface(4, 4, Memory::System);
    display->fill(kFloor);
    system->fill(kFloor);
    device.loseSurfaces();
    EXPECT_TRUE(display->isLost());
    EXPECT_TRUE(primary->isLost());
    EXPECT_FALSE(system->isLost());
    EXPECT_NE(display->pixel(0, 0), kFloor) << "the contents went with the memory";
    EXPECT_EQ(system->pixel(0, 0), kFloor);
    EXPECT_EQ(bltFast(*display, 0, 0, *system, system->bounds(), false), Result::Lost);
    EXPECT_EQ(bltFast(*system, 0, 0, *display, display->bounds(), false), Result::Lost);
    EXPECT_EQ(display->fill(kKey), Result::Lost);
    EXPECT_TRUE(display->restore());
    EXPECT_FALSE(display->isLost());
    EXPECT_EQ(bltFast(*display, 0, 0, *system, system->bounds(), false), Result::Ok);
    EXPECT_EQ(display->pixel(3, 3), kFloor);
}

TEST(Soft2d, SurfacesOutlivingTheirDeviceStayUsable) {
    std::unique_ptr<Surface> s;
    {
        Device device;
        s = device.createSurface(2, 2, Memory::Display);
    }
    EXPECT_EQ(s->fill(kKey), Result::Ok);
    EXPECT_EQ(s->pixel(1, 1), kKey);
}

}  // namespace
}  // namespace prismcrate::soft2d
