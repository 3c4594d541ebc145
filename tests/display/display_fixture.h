// A window with a display control, and sprite sheets with known pixels, for the display and
// image-list tests.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <memory>

#include "media/dib.h"
#include "media/dxdraw.h"
#include "media/dximagelist.h"
#include "platform/soft2d.h"

namespace prismcrate::testing {

inline QApplication& app() {
    static int argc = 1;
    static char name[] = "test_display";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

inline constexpr std::uint32_t kPurple = soft2d::rgbPixel(128, 0, 128);
inline constexpr std::uint32_t kBlackPixel = soft2d::rgbPixel(0, 0, 0);

// Patterns of the synthetic sheets that have a transparent part: the robot, objects and
// the wreck on tiles1, every pattern of tiles2.
inline bool hasTransparentPart(int sheet, int pattern) {
    if (sheet == 1) return true;
    return pattern <= 7 || (pattern >= 11 && pattern <= 20) || pattern == 26;
}

// Pixel (x, y) of pattern n of a synthetic sheet: unique to the sheet, the pattern and the
// position, never purple; transparent patterns are purple in their left half.
inline std::uint32_t sheetPixel(int sheet, int pattern, int x, int y) {
    if (hasTransparentPart(sheet, pattern) && x < 12) return kPurple;
    return soft2d::rgbPixel(pattern * 9 + 1, x * 10 + 1, y * 10 + 1 + sheet);
}

inline DibImage makeSheet(int sheet, int patterns) {
    DibImage image;
    image.width = patterns * 24;
    image.height = 24;
    image.bitCount = 24;
    image.pixels.resize(std::size_t(image.width) * 24);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < image.width; ++x)
            image.pixels[std::size_t(y) * std::size_t(image.width) + std::size_t(x)] =
                sheetPixel(sheet, x / 24, x % 24, y);
    return image;
}

inline void setUpSheetItem(TPictureCollectionItem& item, const char* name, DibImage picture) {
    item.Name = name;
    item.Picture.Assign(std::move(picture));
    item.PatternWidth = 24;
    item.PatternHeight = 0;
    item.Transparent = true;
    item.SetTransparentColor(clPurple);
}

// A form holding a 480 by 480 display and an image list with the game's two sheets.
class DisplayFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        app();
        form = std::make_unique<QWidget>();
        dxdraw = new TDXDraw(form.get());
        dxdraw->move(2, 2);
        dxdraw->resize(480, 480);
        list = new TDXImageList(form.get());
        setUpSheetItem(list->Items.Add(), "tiles1", makeSheet(0, 27));
        setUpSheetItem(list->Items.Add(), "tiles2", makeSheet(1, 11));
        list->SetDXDraw(dxdraw);
    }
    void TearDown() override { form.reset(); }

    TPictureCollectionItem& tiles1() { return list->Items[0]; }
    TPictureCollectionItem& tiles2() { return list->Items[1]; }
    TDirectDrawSurface& surface() { return dxdraw->Surface(); }

    std::unique_ptr<QWidget> form;
    TDXDraw* dxdraw = nullptr;
    TDXImageList* list = nullptr;
};

}  // namespace prismcrate::testing
