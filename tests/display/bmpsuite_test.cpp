// The bitmap reader against the third-party images in ../shared/bmpsuite: good images
// decode to the pixels of their reference PNGs, bad ones are rejected cleanly or decoded,
// and nothing takes long or asks for absurd amounts of memory.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>

#include "media/dib.h"

namespace {

// The largest single allocation made while `tracking` is set.
std::atomic<bool> tracking{false};
std::atomic<std::size_t> largestAllocation{0};

void* allocate(std::size_t size) {
    if (tracking.load()) {
        std::size_t seen = largestAllocation.load();
        while (size > seen && !largestAllocation.compare_exchange_weak(seen, size)) {
        }
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace prismcrate {
namespace {

namespace fs = std::filesystem;

fs::path suiteDir() {
    return fs::path(PRISMCRATE_SOURCE_DIR) / ".." / "shared" / "bmpsuite";
}

std::vector<std::uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<fs::path> bitmapsIn(const fs::path& dir) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().extension() == ".bmp") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(Bmpsuite, GoodImagesDecodeToTheirReferencePixels) {
    if (!fs::exists(suiteDir() / "g")) GTEST_SKIP() << "no image suite at " << suiteDir();
    int matched = 0;
    int refused = 0;
    for (const fs::path& file : bitmapsIn(suiteDir() / "g")) {
        SCOPED_TRACE(file.filename().string());
        const std::vector<std::uint8_t> bytes = readFile(file);
        const std::string stem = file.stem().string();
        if (stem == "pal8v4" || stem == "pal8v5") {
            try {
                decodeBitmapFile(bytes);
                ADD_FAILURE() << "a 108- or 124-byte header was accepted";
            } catch (const EInvalidGraphic& e) {
                EXPECT_STREQ(e.what(), "DIB is invalid");
                ++refused;
            }
            continue;
        }
        DibImage image;
        ASSERT_NO_THROW(image = decodeBitmapFile(bytes));
        const QImage reference =
            QImage(QString::fromStdString((suiteDir() / "g-ref" / (stem + ".png")).string()))
                .convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(reference.isNull()) << "reference missing";
        ASSERT_EQ(image.width, reference.width());
        ASSERT_EQ(image.height, reference.height());
        // Five- and six-bit channels may be widened with different rounding.
        const int tolerance = image.bitCount == 16 ? 8 : 0;
        int worst = 0;
        int badPixels = 0;
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                const QColor want = reference.pixelColor(x, y);
                const QColor got = QColor::fromRgb(image.pixel(x, y));
                const int diff = std::max({std::abs(want.red() - got.red()),
                                           std::abs(want.green() - got.green()),
                                           std::abs(want.blue() - got.blue())});
                worst = std::max(worst, diff);
                badPixels += diff > tolerance;
            }
        }
        EXPECT_EQ(badPixels, 0) << "largest channel difference " << worst;
        ++matched;
    }
    EXPECT_EQ(matched, 25);
    EXPECT_EQ(refused, 2);
}

TEST(Bmpsuite, BadAndForeignImagesAreRejectedOrDecodedQuicklyAndWithinBounds) {
    if (!fs::exists(suiteDir() / "b")) GTEST_SKIP() << "no image suite at " << suiteDir();
    int files = 0;
    for (const char* folder : {"b", "x"}) {
        for (const fs::path& file : bitmapsIn(suiteDir() / folder)) {
            SCOPED_TRACE(file.string());
            const std::vector<std::uint8_t> bytes = readFile(file);
            const auto start = std::chrono::steady_clock::now();
            largestAllocation = 0;
            tracking = true;
            try {
                const DibImage image = decodeBitmapFile(bytes);
                tracking = false;
                EXPECT_EQ(image.pixels.size(),
                          std::size_t(image.width) * std::size_t(image.height));
            } catch (const EInvalidGraphic&) {
                tracking = false;
            }
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
            // No image in these folders is larger than 127 x 64; 1 MiB is far above need.
            EXPECT_LT(largestAllocation.load(), std::size_t(1) << 20);
            ++files;
        }
    }
    EXPECT_EQ(files, 21);
}

TEST(Bmpsuite, ImpossibleHeadersGiveTheirOwnErrors) {
    if (!fs::exists(suiteDir() / "b")) GTEST_SKIP() << "no image suite at " << suiteDir();
    auto errorOf = [](const char* name) -> std::string {
        try {
            decodeBitmapFile(readFile(suiteDir() / "b" / name));
        } catch (const EInvalidGraphic& e) {
            return e.what();
        }
        return "<decoded>";
    };
    EXPECT_EQ(errorOf("badbitcount.bmp"), "Bitcount in invalid (30000)");
    EXPECT_EQ(errorOf("rgb16-880.bmp"), "PixelFormat in invalid");
    EXPECT_EQ(errorOf("badheadersize.bmp"), "DIB is invalid");
    EXPECT_EQ(errorOf("reallybig.bmp"), "DIB is invalid");
    EXPECT_EQ(errorOf("shortfile.bmp"), "DIB is invalid");
    EXPECT_EQ(errorOf("badwidth.bmp"), "DIB is invalid");
}

}  // namespace
}  // namespace prismcrate
