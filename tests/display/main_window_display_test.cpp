// The main window's field display and sheets: DXDraw1 starts at the first showing of the
// window, and the window's canvas draws patterns of the sheets and presents them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>

#include "app/main_window.h"
#include "tests/display/display_fixture.h"

namespace prismcrate {
namespace {

using testing::kPurple;

// Runs the test from `dir`, where the window looks for assets/ when they are not beside
// the program.
class MainWindowDisplayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::app();
        previous_ = QDir::currentPath();
    }
    void TearDown() override { QDir::setCurrent(previous_); }

  private:
    QString previous_;
};

TEST_F(MainWindowDisplayTest, FieldDisplayAndSheetsAreSetUpAsStored) {
    TForm1 form;
    EXPECT_EQ(form.DXDraw1->geometry(), QRect(2, 2, 480, 480));
    EXPECT_TRUE(form.DXDraw1->AutoInitialize);
    EXPECT_EQ(form.DXDraw1->NowOptions(), (TDXDrawOptions{doWaitVBlank, doCenter}));
    ASSERT_NE(form.DXImageList1, nullptr);
    EXPECT_EQ(form.DXImageList1->DXDraw(), form.DXDraw1);
    ASSERT_EQ(form.DXImageList1->Items.Count(), 2);
    const char* names[] = {"tiles1", "tiles2"};
    for (int i = 0; i < 2; ++i) {
        TPictureCollectionItem& item = form.DXImageList1->Items[i];
        EXPECT_EQ(item.Name, names[i]);
        EXPECT_EQ(item.PatternWidth, 24);
        EXPECT_EQ(item.PatternHeight, 0);
        EXPECT_TRUE(item.Transparent);
        EXPECT_EQ(item.TransparentColor(), clPurple);
        EXPECT_FALSE(item.SystemMemory);
    }
}

TEST_F(MainWindowDisplayTest, TheShippedSheetsDrawOnTheFieldOnceTheWindowIsShown) {
    ASSERT_TRUE(QDir::setCurrent(QStringLiteral(PRISMCRATE_SOURCE_DIR)));
    TForm1 form;
    TPictureCollectionItem& tiles1 = form.DXImageList1->Items[0];
    TPictureCollectionItem& tiles2 = form.DXImageList1->Items[1];
    if (tiles1.Picture.Empty()) GTEST_SKIP() << "assets/tiles1.bmp not there yet";
    EXPECT_EQ(tiles1.Picture.Width(), 648);
    EXPECT_EQ(tiles1.Picture.Height(), 24);
    EXPECT_EQ(tiles1.PatternCount(), 27);
    EXPECT_EQ(tiles2.PatternCount(), 11);

    form.displayCanvas().drawPattern(kTiles1, 8, 0,
                                     0);  // before the first showing: nothing, no error
    form.displayCanvas().present();
    EXPECT_FALSE(form.DXDraw1->Initialized());

    form.show();
    ASSERT_TRUE(form.DXDraw1->Initialized());
    EXPECT_EQ(form.DXDraw1->Surface().Width(), 480);
    EXPECT_EQ(tiles1.BlockCount(), 2);

    // A floor, the robot on it, and the robot alone on the black field.
    form.displayCanvas().drawPattern(kTiles1, 8, 24, 24);
    form.displayCanvas().drawPattern(kTiles1, 0, 24, 24);
    form.displayCanvas().drawPattern(kTiles1, 0, 48, 24);
    form.displayCanvas().present();
    TDirectDrawSurface& shown = form.DXDraw1->Primary();
    int purple = 0;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x) {
            const std::uint32_t robot = tiles1.Picture.ScanLine(y)[x];
            const std::uint32_t floor = tiles1.Picture.ScanLine(y)[8 * 24 + x];
            const bool clear = robot == kPurple;
            purple += clear;
            ASSERT_EQ(shown.Pixel(24 + x, 24 + y), clear ? floor : robot) << x << "," << y;
            ASSERT_EQ(shown.Pixel(48 + x, 24 + y), clear ? testing::kBlackPixel : robot);
        }
    }
    EXPECT_GT(purple, 0) << "the robot has a transparent background";
    EXPECT_THROW(form.displayCanvas().drawPattern(2, 0, 0, 0), EListError);
}

TEST_F(MainWindowDisplayTest, MissingSheetsLeaveAWorkingWindowThatDrawsNothing) {
    ASSERT_TRUE(QDir::setCurrent(QDir::tempPath()));
    TForm1 form;
    if (!form.DXImageList1->Items[0].Picture.Empty())
        GTEST_SKIP() << "sheets found beside the test program";
    form.show();
    EXPECT_TRUE(form.DXDraw1->Initialized());
    form.displayCanvas().drawPattern(kTiles1, 8, 0, 0);
    form.displayCanvas().drawPattern(kTiles2, 0, 0, 0);
    form.displayCanvas().present();
    EXPECT_EQ(form.DXDraw1->Primary().Pixel(5, 5), testing::kBlackPixel);
}

}  // namespace
}  // namespace prismcrate
