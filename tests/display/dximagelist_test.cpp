#include "media/dximagelist.h"

#include <gtest/gtest.h>

#include "tests/display/display_fixture.h"

namespace prismcrate {
namespace {

using soft2d::rgbPixel;
using testing::DisplayFixture;
using testing::kBlackPixel;
using testing::kPurple;
using testing::sheetPixel;

const std::uint32_t kUnder = rgbPixel(35, 128, 35);

// Expects the 24 x 24 cell at (x0, y0) of the surface to show pattern n of the sheet,
// clipped to the surface, with under(x, y) wherever the pattern is transparent.
template <typename Under>
void expectPatternOver(TDirectDrawSurface& s, int sheet, int n, int x0, int y0, Under under) {
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x) {
            const int px = x0 + x, py = y0 + y;
            if (px < 0 || py < 0 || px >= s.Width() || py >= s.Height()) continue;
            const std::uint32_t sprite = sheetPixel(sheet, n, x, y);
            ASSERT_EQ(s.Pixel(px, py), sprite == kPurple ? under(x, y) : sprite)
                << "pattern " << n << " pixel " << x << "," << y;
        }
    }
}

void expectPatternAt(TDirectDrawSurface& s, int sheet, int n, int x0, int y0, std::uint32_t under) {
    expectPatternOver(s, sheet, n, x0, y0, [under](int, int) { return under; });
}

// The colour whose pixel value is `pixel`.
TColor colorOf(std::uint32_t pixel) {
    return ((pixel >> 16) & 0xFF) | (pixel & 0xFF00) | ((pixel & 0xFF) << 16);
}

// Counts the pixels of the surface that differ from `fill`.
int changedPixels(TDirectDrawSurface& s, std::uint32_t fill) {
    int n = 0;
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x) n += s.Pixel(x, y) != fill;
    return n;
}

TEST(PictureCollectionItem, GeometryFollowsThePatternAndSkipSizes) {
    TDXImageList list;
    TPictureCollectionItem& item = list.Items.Add();
    EXPECT_EQ(item.PatternWidth, 0);
    EXPECT_EQ(item.PatternHeight, 0);
    EXPECT_EQ(item.SkipWidth, 0);
    EXPECT_FALSE(item.SystemMemory);
    EXPECT_TRUE(item.Transparent);
    EXPECT_EQ(item.TransparentColor(), clBlack);
    EXPECT_EQ(item.PatternCount(), 0) << "no picture, no patterns, no division by zero";

    DibImage picture;
    picture.width = 100;
    picture.height = 50;
    picture.pixels.assign(100 * 50, kUnder);
    item.Picture.Assign(picture);
    EXPECT_EQ(item.PW(), 100);
    EXPECT_EQ(item.PH(), 50);
    EXPECT_EQ(item.PatternCount(), 1);

    item.PatternWidth = 20;
    item.PatternHeight = 20;
    item.SkipWidth = 5;
    item.SkipHeight = 5;
    EXPECT_EQ(item.CW(), 25);
    EXPECT_EQ(item.CH(), 25);
    EXPECT_EQ(item.Columns(), 4);  // (100 + 5) div 25
    EXPECT_EQ(item.Rows(), 2);     // (50 + 5) div 25
    EXPECT_EQ(item.PatternCount(), 8);

    item.SkipWidth = -20;
    EXPECT_EQ(item.PatternCount(), 0) << "a cell of no width holds nothing";
}

TEST_F(DisplayFixture, TheGameSheetsHaveTheirPatternCountsAndBlocks) {
    EXPECT_EQ(tiles1().PatternCount(), 27);
    EXPECT_EQ(tiles1().Columns(), 27);
    EXPECT_EQ(tiles1().Rows(), 1);
    EXPECT_EQ(tiles2().PatternCount(), 11);
    EXPECT_EQ(tiles1().BlockCount(), 0) << "nothing is built before the display starts";

    dxdraw->Initialize();
    ASSERT_EQ(tiles1().BlockCount(), 2);
    EXPECT_EQ(tiles1().Block(0).Width(), 528);
    EXPECT_EQ(tiles1().Block(1).Width(), 120);
    EXPECT_EQ(tiles1().Block(0).Height(), 24);
    ASSERT_EQ(tiles1().Patterns().size(), 27u);
    for (int n = 0; n < 27; ++n) {
        const TPictureCollectionItemPattern& p = tiles1().Patterns()[std::size_t(n)];
        EXPECT_EQ(p.FSurface, &tiles1().Block(n < 22 ? 0 : 1)) << n;
        const int left = (n * 24) % 528;
        EXPECT_EQ(p.FRect, (soft2d::Rect{left, 0, left + 24, 24})) << n;
    }
    ASSERT_EQ(tiles2().BlockCount(), 1);
    EXPECT_EQ(tiles2().Block(0).Width(), 264);
    EXPECT_EQ(tiles1().Block(1).ISurface()->colorKey(), kPurple);
}

TEST_F(DisplayFixture, PatternsAreNumberedRowByRowAndLargeSheetsAreCutBothWays) {
    TPictureCollectionItem& grid = list->Items.Add();
    DibImage picture;
    picture.width = 600;
    picture.height = 600;
    picture.pixels.resize(600 * 600);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 600; ++x)
            picture.pixels[std::size_t(y) * 600 + std::size_t(x)] = rgbPixel(x / 24, y / 24, 1);
    grid.Picture.Assign(picture);
    grid.PatternWidth = 24;
    grid.PatternHeight = 24;
    dxdraw->Initialize();
    EXPECT_EQ(grid.PatternCount(), 625);
    EXPECT_EQ(grid.BlockCount(), 4) << "528 by 528 blocks";
    const TPictureCollectionItemPattern& last = grid.Patterns()[624];
    EXPECT_EQ(last.FSurface, &grid.Block(3));
    EXPECT_EQ(last.FRect, (soft2d::Rect{48, 48, 72, 72}));

    surface().Fill(kUnder);
    grid.Draw(surface(), 0, 0, 27);  // column 2, row 1
    EXPECT_EQ(surface().Pixel(0, 0), rgbPixel(2, 1, 1));
    EXPECT_EQ(surface().Pixel(23, 23), rgbPixel(2, 1, 1));
    grid.Draw(surface(), 100, 100, 624);
    EXPECT_EQ(surface().Pixel(110, 110), rgbPixel(24, 24, 1));

    grid.SystemMemory = true;
    grid.Restore();
    ASSERT_EQ(grid.BlockCount(), 1);
    EXPECT_EQ(grid.Block(0).ISurface()->memory(), soft2d::Memory::System);
    EXPECT_EQ(grid.Patterns()[624].FRect, (soft2d::Rect{576, 576, 600, 600}));
    grid.Draw(surface(), 200, 200, 26);
    EXPECT_EQ(surface().Pixel(200, 200), rgbPixel(1, 1, 1));
}

TEST_F(DisplayFixture, PatternNumbersOutsideTheSheetDrawNothing) {
    dxdraw->Initialize();
    surface().Fill(kUnder);
    tiles1().Draw(surface(), 0, 0, 27);
    tiles1().Draw(surface(), 0, 0, -1);
    tiles2().Draw(surface(), 0, 0, 11);
    tiles2().Draw(surface(), 0, 0, INT32_MIN);
    EXPECT_EQ(changedPixels(surface(), kUnder), 0);
}

TEST_F(DisplayFixture, PatternsAreClippedAtEveryEdgeOfTheSurface) {
    dxdraw->Initialize();
    surface().Fill(kUnder);
    tiles1().Draw(surface(), 470, 0, 8);
    EXPECT_EQ(changedPixels(surface(), kUnder), 10 * 24) << "left 10 columns only";
    expectPatternAt(surface(), 0, 8, 470, 0, kUnder);

    surface().Fill(kUnder);
    tiles1().Draw(surface(), -5, 0, 8);
    EXPECT_EQ(changedPixels(surface(), kUnder), 19 * 24) << "right 19 columns at the left edge";
    EXPECT_EQ(surface().Pixel(0, 0), sheetPixel(0, 8, 5, 0));
    expectPatternAt(surface(), 0, 8, -5, 0, kUnder);

    surface().Fill(kUnder);
    tiles1().Draw(surface(), 100, -20, 9);
    tiles1().Draw(surface(), 200, 470, 9);
    EXPECT_EQ(changedPixels(surface(), kUnder), 24 * 4 + 24 * 10);
    expectPatternAt(surface(), 0, 9, 100, -20, kUnder);
    expectPatternAt(surface(), 0, 9, 200, 470, kUnder);

    surface().Fill(kUnder);
    for (int pos : {480, 481, -24, -100000, INT32_MAX, INT32_MIN}) {
        tiles1().Draw(surface(), pos, 0, 8);
        tiles1().Draw(surface(), 0, pos, 8);
        tiles1().Draw(surface(), pos, pos, 8);
    }
    EXPECT_EQ(changedPixels(surface(), kUnder), 0) << "wholly outside: nothing";
}

TEST_F(DisplayFixture, TransparentPixelsKeepWhatWasBelowAndOpaquePatternsCoverTheCell) {
    dxdraw->Initialize();
    surface().Fill(kUnder);
    for (int n = 0; n < 27; ++n) tiles1().Draw(surface(), n * 24 % 480, n / 20 * 24, n);
    for (int n = 0; n < 11; ++n) tiles2().Draw(surface(), n * 24, 200, n);
    for (int n = 0; n < 27; ++n)
        expectPatternAt(surface(), 0, n, n * 24 % 480, n / 20 * 24, kUnder);
    for (int n = 0; n < 11; ++n) expectPatternAt(surface(), 1, n, n * 24, 200, kUnder);

    // The robot over a floor: the floor shows through the robot's purple.
    tiles1().Draw(surface(), 0, 300, 8);
    tiles1().Draw(surface(), 0, 300, 2);
    EXPECT_EQ(surface().Pixel(3, 303), sheetPixel(0, 8, 3, 3));
    EXPECT_EQ(surface().Pixel(20, 303), sheetPixel(0, 2, 20, 3));

    // Without transparency the key colour is drawn like any other.
    tiles1().Transparent = false;
    tiles1().Draw(surface(), 0, 300, 2);
    EXPECT_EQ(surface().Pixel(3, 303), kPurple);
}

TEST_F(DisplayFixture, PatternOnTheSecondBlockDrawsLikeAnyOther) {
    dxdraw->Initialize();
    surface().Fill(kUnder);
    tiles1().Draw(surface(), 48, 48, 22);
    tiles1().Draw(surface(), 470, 100, 22);
    tiles1().Draw(surface(), -5, 200, 26);
    expectPatternAt(surface(), 0, 22, 48, 48, kUnder);
    expectPatternAt(surface(), 0, 22, 470, 100, kUnder);
    expectPatternAt(surface(), 0, 26, -5, 200, kUnder);
}

TEST_F(DisplayFixture, ChangingTheKeyColourRekeysReadyBlocks) {
    dxdraw->Initialize();
    EXPECT_EQ(colorToPixel(colorOf(kPurple)), kPurple);
    const std::uint32_t floorCorner = sheetPixel(0, 8, 0, 0);
    tiles1().SetTransparentColor(colorOf(floorCorner));
    EXPECT_EQ(tiles1().Block(0).ISurface()->colorKey(), floorCorner);
    EXPECT_EQ(tiles1().Block(1).ISurface()->colorKey(), floorCorner);
    surface().Fill(kUnder);
    tiles1().Draw(surface(), 0, 0, 8);
    EXPECT_EQ(surface().Pixel(0, 0), kUnder) << "the new key colour is now transparent";
    EXPECT_EQ(surface().Pixel(0, 1), sheetPixel(0, 8, 0, 1));
    EXPECT_EQ(surface().Pixel(12, 12), sheetPixel(0, 8, 12, 12));
    tiles1().Draw(surface(), 24, 0, 2);
    EXPECT_EQ(surface().Pixel(24, 0), kPurple) << "purple is no longer the key";
}

TEST_F(DisplayFixture, DrawingBeforeInitialisationDoesNothingAndRaisesNothing) {
    EXPECT_FALSE(tiles1().Initialized());
    EXPECT_NO_THROW(tiles1().Draw(surface(), 0, 0, 8));
    EXPECT_NO_THROW(dxdraw->Flip());
    TDirectDrawSurface detached;
    dxdraw->Initialize();
    EXPECT_NO_THROW(tiles1().Draw(detached, 0, 0, 8)) << "a target without a surface";
}

TEST_F(DisplayFixture, AfterSurfaceLossTheNextFrameDrawsCorrectlyWithNoActionByTheCaller) {
    dxdraw->Initialize();
    auto frame = [&] {
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) tiles1().Draw(surface(), x * 24, y * 24, 8);
        tiles1().Draw(surface(), 24, 24, 2);
        tiles1().Draw(surface(), 48, 24, 22);
        tiles2().Draw(surface(), 72, 24, 0);
        dxdraw->Flip();
    };
    frame();
    dxdraw->DDraw()->loseSurfaces();
    frame();  // drawn into lost surfaces: this one is lost, and its Flip restores
    EXPECT_EQ(dxdraw->Primary().Pixel(30, 30), kBlackPixel) << "a restore leaves black";
    frame();
    TDirectDrawSurface& shown = dxdraw->Primary();
    expectPatternAt(shown, 0, 8, 0, 0, 0);
    expectPatternOver(shown, 0, 2, 24, 24, [](int x, int y) { return sheetPixel(0, 8, x, y); });
    expectPatternOver(shown, 0, 22, 48, 24, [](int x, int y) { return sheetPixel(0, 8, x, y); });
    expectPatternOver(shown, 1, 0, 72, 24, [](int x, int y) { return sheetPixel(0, 8, x, y); });
}

TEST_F(DisplayFixture, SheetsFollowTheDisplayThroughItsLifecycle) {
    dxdraw->Initialize();
    EXPECT_TRUE(tiles1().Initialized());
    EXPECT_EQ(tiles1().Patterns().size(), 27u);
    dxdraw->Finalize();
    EXPECT_FALSE(tiles1().Initialized());
    EXPECT_EQ(tiles1().BlockCount(), 0);
    EXPECT_TRUE(tiles1().Patterns().empty());
    dxdraw->Initialize();
    EXPECT_EQ(tiles2().Patterns().size(), 11u);

    // A list bound to a display that is already running is ready at once.
    TDXImageList late;
    testing::setUpSheetItem(late.Items.Add(), "tiles2", testing::makeSheet(1, 11));
    late.SetDXDraw(dxdraw);
    EXPECT_EQ(late.Items[0].BlockCount(), 1);
    late.SetDXDraw(nullptr);
    EXPECT_FALSE(late.Items[0].Initialized()) << "unbinding frees the blocks";

    // An item with no picture is skipped.
    TPictureCollectionItem& empty = list->Items.Add();
    empty.Restore();
    EXPECT_EQ(empty.BlockCount(), 0);

    // Destroying the display leaves the list harmless.
    TDXImageList survivor;
    testing::setUpSheetItem(survivor.Items.Add(), "tiles1", testing::makeSheet(0, 27));
    survivor.SetDXDraw(dxdraw);
    form.reset();
    EXPECT_EQ(survivor.DXDraw(), nullptr);
    EXPECT_FALSE(survivor.Items[0].Initialized());
    TDirectDrawSurface nowhere;
    EXPECT_NO_THROW(survivor.Items[0].Draw(nowhere, 0, 0, 1));
}

TEST_F(DisplayFixture, AListDestroyedFirstIsNoLongerNotified) {
    dxdraw->Initialize();
    delete list;
    list = nullptr;
    EXPECT_NO_THROW(dxdraw->Finalize());
    EXPECT_NO_THROW(dxdraw->Initialize());
}

TEST_F(DisplayFixture, CollectionErrorsUseTheirTexts) {
    try {
        list->Items[2];
        FAIL();
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (2)");
    }
    try {
        list->Items.Items(-1);
        FAIL();
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (-1)");
    }
    try {
        list->Items.Initialize(*dxdraw);
        FAIL();
    } catch (const EPictureCollectionError& e) {
        EXPECT_STREQ(e.what(), "TPictureCollection cannot be initialized");
    }
    EXPECT_EQ(list->Items.Find("tiles2"), &tiles2());
    EXPECT_EQ(list->Items.Find("tiles3"), nullptr);
}

TEST_F(DisplayFixture, BlocksFallBackToSystemMemoryAndFailWithTheirText) {
    const std::size_t frame = 480 * 480 * 4;
    {
        auto previous = TCustomDXDraw::SetDeviceFactory([frame] {
            return std::make_unique<soft2d::Device>(soft2d::Device::Limits{2 * frame, 1 << 20});
        });
        dxdraw->Initialize();
        TCustomDXDraw::SetDeviceFactory(previous);
    }
    ASSERT_EQ(tiles1().BlockCount(), 2);
    EXPECT_EQ(tiles1().Block(0).ISurface()->memory(), soft2d::Memory::System);
    surface().Fill(kUnder);
    tiles1().Draw(surface(), 0, 0, 3);
    expectPatternAt(surface(), 0, 3, 0, 0, kUnder);
    dxdraw->Finalize();

    auto previous = TCustomDXDraw::SetDeviceFactory([frame] {
        return std::make_unique<soft2d::Device>(soft2d::Device::Limits{2 * frame, 0});
    });
    try {
        dxdraw->Initialize();
        ADD_FAILURE() << "no error";
    } catch (const EDirectDrawSurfaceError& e) {
        EXPECT_STREQ(e.what(), "Surface cannot be made");
    }
    TCustomDXDraw::SetDeviceFactory(previous);
    EXPECT_TRUE(dxdraw->Initialized()) << "a listener's failure leaves the display running";
    EXPECT_NO_THROW(tiles1().Draw(surface(), 0, 0, 3));
}

TEST_F(DisplayFixture, DrawingOntoAClippedSurfaceSwitchesToTheGeneralCopyForGood) {
    dxdraw->Initialize();
    TDirectDrawSurface& primary = dxdraw->Primary();
    primary.Fill(kUnder);
    EXPECT_FALSE(primary.UseGeneralCopy);
    tiles1().Draw(primary, 470, 0, 8);
    EXPECT_TRUE(primary.UseGeneralCopy);
    expectPatternAt(primary, 0, 8, 470, 0, kUnder);
    tiles1().Draw(primary, 0, 0, 9);
    expectPatternAt(primary, 0, 9, 0, 0, kUnder);
    EXPECT_FALSE(surface().UseGeneralCopy);
}

}  // namespace
}  // namespace prismcrate
