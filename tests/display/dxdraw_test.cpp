#include "media/dxdraw.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <string>
#include <vector>

#include "platform/error_box.h"
#include "tests/display/display_fixture.h"

namespace prismcrate {
namespace {

using soft2d::rgbPixel;
using testing::app;
using testing::kBlackPixel;

const char* notifyName(TDXDrawNotifyType type) {
    switch (type) {
        case dxntDestroying:
            return "destroying";
        case dxntInitializing:
            return "initializing";
        case dxntSetSurfaceSize:
            return "set surface size";
        case dxntInitialize:
            return "initialize";
        case dxntInitializeSurface:
            return "initialize surface";
        case dxntRestore:
            return "restore";
        case dxntFinalizeSurface:
            return "finalize surface";
        case dxntFinalize:
            return "finalize";
    }
    return "?";
}

using Log = std::vector<std::string>;

// Records every notification and event of a control into one log.
void recordEverything(TCustomDXDraw& dx, Log& log, const void* owner) {
    dx.RegisterNotifyEvent(
        owner, [&log](TCustomDXDraw&, TDXDrawNotifyType type) { log.push_back(notifyName(type)); });
    dx.OnInitializing = [&log](TCustomDXDraw&) { log.push_back("OnInitializing"); };
    dx.OnInitialize = [&log](TCustomDXDraw&) { log.push_back("OnInitialize"); };
    dx.OnInitializeSurface = [&log](TCustomDXDraw&) { log.push_back("OnInitializeSurface"); };
    dx.OnRestoreSurface = [&log](TCustomDXDraw&) { log.push_back("OnRestoreSurface"); };
    dx.OnFinalizeSurface = [&log](TCustomDXDraw&) { log.push_back("OnFinalizeSurface"); };
    dx.OnFinalize = [&log](TCustomDXDraw&) { log.push_back("OnFinalize"); };
}

// Replaces the device for one test.
class ScopedDevice {
  public:
    explicit ScopedDevice(TCustomDXDraw::DeviceFactory factory)
        : previous_(TCustomDXDraw::SetDeviceFactory(std::move(factory))) {}
    ~ScopedDevice() { TCustomDXDraw::SetDeviceFactory(std::move(previous_)); }

  private:
    TCustomDXDraw::DeviceFactory previous_;
};

ScopedDevice deviceWith(soft2d::Device::Limits limits) {
    return ScopedDevice([limits] { return std::make_unique<soft2d::Device>(limits); });
}

class DXDrawTest : public ::testing::Test {
  protected:
    void SetUp() override {
        app();
        form = std::make_unique<QWidget>();
        dx = new TDXDraw(form.get());
        dx->move(2, 2);
    }
    void TearDown() override { form.reset(); }
    // Declared before the form: the control's last notifications still find it.
    Log log;
    Log late;
    Log during;
    std::unique_ptr<QWidget> form;
    TDXDraw* dx = nullptr;
};

TEST(DXDrawOptions, TheGameSetReducesToTheVerticalBlankWaitAndCentring) {
    EXPECT_EQ(effectiveDXDrawOptions(kDefaultDXDrawOptions),
              (TDXDrawOptions{doWaitVBlank, doCenter}));
    // Full screen keeps its own options, system memory drops page flipping, 3-D keeps its
    // options except the hardware one, which always goes.
    EXPECT_EQ(
        effectiveDXDrawOptions(
            {doFullScreen, doNoWindowChange, doAllowReboot, doAllowPalette256, doFlip, doHardware}),
        (TDXDrawOptions{doFullScreen, doNoWindowChange, doAllowReboot, doAllowPalette256, doFlip}));
    EXPECT_EQ(effectiveDXDrawOptions({doFullScreen, doFlip, doSystemMemory}),
              (TDXDrawOptions{doFullScreen, doSystemMemory}));
    EXPECT_EQ(effectiveDXDrawOptions({do3D, doRetainedMode, doHardware, doSelectDriver, doZBuffer}),
              (TDXDrawOptions{do3D, doRetainedMode, doSelectDriver, doZBuffer}));
    EXPECT_EQ(effectiveDXDrawOptions({doStretch, doZBuffer}), (TDXDrawOptions{doStretch}));
}

TEST_F(DXDrawTest, DefaultsOfANewControl) {
    EXPECT_TRUE(dx->AutoInitialize);
    EXPECT_TRUE(dx->AutoSize());
    EXPECT_EQ(dx->Options(), kDefaultDXDrawOptions);
    EXPECT_EQ(dx->NowOptions(), (TDXDrawOptions{doWaitVBlank, doCenter}));
    EXPECT_EQ(dx->size(), QSize(100, 100));
    EXPECT_EQ(dx->SurfaceWidth(), 100);
    EXPECT_EQ(dx->SurfaceHeight(), 100);
    EXPECT_EQ(dx->Display.Width, 640);
    EXPECT_EQ(dx->Display.Height, 480);
    EXPECT_EQ(dx->Display.BitCount, 8);
    EXPECT_FALSE(dx->Initialized());
    EXPECT_EQ(dx->Surface().Width(), 0);
    EXPECT_EQ(dx->DDraw(), nullptr);
}

TEST_F(DXDrawTest, OptionsSetWhileInitialisedChangeOnlyWaitStretchAndCentre) {
    dx->Initialize();
    dx->SetOptions({doFullScreen, doSystemMemory, doStretch, do3D, doZBuffer});
    EXPECT_EQ(dx->NowOptions(), (TDXDrawOptions{doStretch}));
    dx->Finalize();
    EXPECT_EQ(dx->NowOptions(),
              (TDXDrawOptions{doFullScreen, doSystemMemory, doStretch, do3D, doZBuffer}));
}

TEST_F(DXDrawTest, NotificationsAndEventsComeInOrderThroughTheLifecycle) {
    recordEverything(*dx, log, this);
    EXPECT_EQ(log, (Log{"set surface size"})) << "sent to a new listener at once";

    log.clear();
    dx->Initialize();
    EXPECT_EQ(log, (Log{"OnInitializing", "initializing", "set surface size", "initialize",
                        "OnInitialize", "initialize surface", "OnInitializeSurface", "restore",
                        "OnRestoreSurface"}));

    log.clear();
    dx->DDraw()->loseSurfaces();
    dx->Flip();
    EXPECT_EQ(log, (Log{"restore", "OnRestoreSurface"}));

    log.clear();
    dx->Finalize();
    EXPECT_EQ(log, (Log{"OnFinalizeSurface", "finalize surface", "OnFinalize", "finalize"}));

    log.clear();
    dx->Finalize();
    EXPECT_TRUE(log.empty()) << "finalising twice does nothing";

    log.clear();
    form.reset();
    EXPECT_EQ(log, (Log{"destroying"}));
}

TEST_F(DXDrawTest, ReinitialisingFinalisesFirst) {
    dx->Initialize();
    recordEverything(*dx, log, this);
    log.clear();
    dx->Initialize();
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(Log(log.begin(), log.begin() + 4),
              (Log{"OnFinalizeSurface", "finalize surface", "OnFinalize", "finalize"}));
    EXPECT_TRUE(dx->Initialized());
}

TEST_F(DXDrawTest, ListenersJoiningLateAreBroughtUpToDate) {
    dx->Initialize();
    dx->RegisterNotifyEvent(&late, [this](TCustomDXDraw&, TDXDrawNotifyType type) {
        late.push_back(notifyName(type));
    });
    EXPECT_EQ(late, (Log{"set surface size", "initialize", "restore"}));
    dx->Finalize();

    // Joining while the control initialises: the restore comes once, from the control.
    dx->OnInitialize = [this](TCustomDXDraw& sender) {
        sender.RegisterNotifyEvent(&during, [this](TCustomDXDraw&, TDXDrawNotifyType type) {
            during.push_back(notifyName(type));
        });
    };
    dx->Initialize();
    EXPECT_EQ(during, (Log{"set surface size", "initialize", "initialize surface", "restore"}));

    dx->UnRegisterNotifyEvent(&late);
    dx->UnRegisterNotifyEvent(&during);
    during.clear();
    late.clear();
    dx->Finalize();
    EXPECT_TRUE(during.empty());
    EXPECT_TRUE(late.empty());
}

TEST_F(DXDrawTest, FinaliseNotifiesEvenWhenAHandlerRaises) {
    dx->Initialize();
    recordEverything(*dx, log, this);
    dx->OnFinalizeSurface = [](TCustomDXDraw&) { throw Error("handler failed"); };
    log.clear();
    EXPECT_THROW(dx->Finalize(), Error);
    EXPECT_EQ(log, (Log{"finalize surface", "OnFinalize", "finalize"}));
    EXPECT_FALSE(dx->Initialized());
    EXPECT_FALSE(dx->Busy());
    EXPECT_EQ(dx->DDraw(), nullptr);
}

TEST_F(DXDrawTest, FlipBeforeInitialisationOrWhileBusyDoesNothing) {
    EXPECT_NO_THROW(dx->Flip());
    EXPECT_EQ(dx->Primary().Width(), 0);

    dx->resize(8, 8);
    dx->Initialize();
    dx->Surface().Fill(rgbPixel(255, 0, 0));
    bool busySeen = false;
    dx->RegisterNotifyEvent(this, [&](TCustomDXDraw& sender, TDXDrawNotifyType type) {
        if (type != dxntFinalizeSurface) return;
        busySeen = sender.Busy();
        sender.Flip();
        EXPECT_EQ(sender.Primary().Pixel(0, 0), kBlackPixel) << "busy: not presented";
    });
    dx->Finalize();
    EXPECT_TRUE(busySeen);
    EXPECT_NO_THROW(dx->Flip());
}

TEST_F(DXDrawTest, FlipPresentsTheWholeBackSurfaceWhichKeepsItsContents) {
    dx->resize(480, 480);
    dx->Initialize();
    ASSERT_EQ(dx->Surface().Width(), 480);
    ASSERT_EQ(dx->Surface().Height(), 480);
    EXPECT_EQ(dx->Surface().Pixel(479, 479), kBlackPixel) << "initialisation clears to black";
    auto& back = *dx->Surface().ISurface();
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 480; ++x) back.setPixel(x, y, rgbPixel(x / 2, y / 2, 9));
    dx->Flip();
    for (int y = 0; y < 480; y += 7)
        for (int x = 0; x < 480; x += 7)
            ASSERT_EQ(dx->Primary().Pixel(x, y), rgbPixel(x / 2, y / 2, 9)) << x << "," << y;
    EXPECT_EQ(dx->Primary().Pixel(479, 479), rgbPixel(239, 239, 9));
    EXPECT_EQ(dx->Surface().Pixel(100, 50), rgbPixel(50, 25, 9)) << "kept after Flip";
}

TEST_F(DXDrawTest, ExposureRepaintsTheLastPresentedFrame) {
    dx->resize(16, 16);
    const QColor face = dx->Color;
    QImage shown = dx->grab().toImage();
    EXPECT_EQ(shown.pixelColor(5, 5), face) << "nothing presented yet: the background colour";

    dx->Initialize();
    dx->Surface().Fill(rgbPixel(0, 0, 255));
    dx->Flip();
    dx->Surface().Fill(rgbPixel(255, 0, 0));  // drawn but not presented
    shown = dx->grab().toImage();
    EXPECT_EQ(shown.pixelColor(5, 5), QColor(0, 0, 255));
    EXPECT_EQ(shown.pixelColor(15, 15), QColor(0, 0, 255));
}

TEST_F(DXDrawTest, LostSurfacesAreRestoredBlackByTheNextFlip) {
    dx->resize(8, 8);
    dx->Initialize();
    dx->Surface().Fill(rgbPixel(0, 255, 0));
    dx->Flip();
    dx->DDraw()->loseSurfaces();
    EXPECT_TRUE(dx->Primary().IsLost());
    EXPECT_NO_THROW(dx->Flip());
    EXPECT_FALSE(dx->Primary().IsLost());
    EXPECT_FALSE(dx->Surface().IsLost());
    EXPECT_EQ(dx->Primary().Pixel(3, 3), kBlackPixel);
    EXPECT_EQ(dx->Surface().Pixel(3, 3), kBlackPixel);
    dx->Surface().Fill(rgbPixel(0, 0, 9));
    dx->Flip();
    EXPECT_EQ(dx->Primary().Pixel(3, 3), rgbPixel(0, 0, 9));
}

TEST_F(DXDrawTest, CentringAndStretchingPlaceTheSurfaceInTheControl) {
    dx->SetAutoSize(false);
    dx->resize(20, 10);
    dx->SetSurfaceSize(10, 4);
    dx->Initialize();
    EXPECT_EQ(dx->Surface().Width(), 10);
    EXPECT_EQ(dx->Primary().Width(), 20);
    dx->Surface().Fill(rgbPixel(1, 2, 3));
    dx->Flip();
    EXPECT_EQ(dx->Primary().Pixel(4, 2), kBlackPixel);
    EXPECT_EQ(dx->Primary().Pixel(5, 3), rgbPixel(1, 2, 3));
    EXPECT_EQ(dx->Primary().Pixel(14, 6), rgbPixel(1, 2, 3));
    EXPECT_EQ(dx->Primary().Pixel(15, 6), kBlackPixel);

    dx->SetOptions({doStretch});
    dx->Flip();
    EXPECT_EQ(dx->Primary().Pixel(0, 0), rgbPixel(1, 2, 3));
    EXPECT_EQ(dx->Primary().Pixel(19, 9), rgbPixel(1, 2, 3));
}

TEST_F(DXDrawTest, AutoSizeMakesTheSurfaceFollowTheControl) {
    form->show();  // resizes of a visible control arrive at once
    ASSERT_TRUE(dx->Initialized());
    recordEverything(*dx, log, this);
    log.clear();
    dx->resize(200, 150);
    EXPECT_EQ(dx->SurfaceWidth(), 200);
    EXPECT_EQ(dx->SurfaceHeight(), 150);
    EXPECT_EQ(dx->Surface().Width(), 200);
    EXPECT_EQ(dx->Surface().Height(), 150);
    EXPECT_EQ(dx->Primary().Width(), 200);
    EXPECT_EQ(log, (Log{"finalize surface", "OnFinalizeSurface", "initialize surface",
                        "OnInitializeSurface", "set surface size"}));

    log.clear();
    dx->SetSurfaceSize(200, 150);
    EXPECT_TRUE(log.empty()) << "an unchanged size does nothing";

    dx->SetAutoSize(false);
    dx->resize(120, 90);
    EXPECT_EQ(dx->SurfaceWidth(), 200);
    EXPECT_EQ(dx->Surface().Width(), 200);
}

TEST_F(DXDrawTest, FirstShowingOfTheFormInitialisesOnce) {
    dx->resize(480, 480);
    EXPECT_FALSE(dx->Initialized());
    form->show();
    EXPECT_TRUE(dx->Initialized());
    EXPECT_EQ(dx->Surface().Width(), 480);
    dx->Finalize();
    form->hide();
    form->show();
    EXPECT_FALSE(dx->Initialized()) << "one attempt only";
}

TEST_F(DXDrawTest, NoAutomaticStartWhenSwitchedOff) {
    dx->AutoInitialize = false;
    form->show();
    EXPECT_FALSE(dx->Initialized());
    EXPECT_FALSE(dx->InitializeAttempted());
}

TEST_F(DXDrawTest, AFailedAutomaticStartIsReportedOnceAndLeavesAHarmlessControl) {
    ScopedDevice broken([] { return std::unique_ptr<soft2d::Device>(); });
    std::vector<QString> boxes;
    const ErrorBoxSink previous =
        setErrorBoxSink([&boxes](const QString& text) { boxes.push_back(text); });
    form->show();
    form->hide();
    form->show();
    setErrorBoxSink(previous);
    EXPECT_EQ(boxes, (std::vector<QString>{"DirectDraw cannot be initialized."}));
    EXPECT_FALSE(dx->Initialized());
    EXPECT_FALSE(dx->Busy());
    EXPECT_NO_THROW(dx->Flip());
    EXPECT_EQ(dx->grab().toImage().pixelColor(1, 1), dx->Color);
}

std::string initError(TCustomDXDraw& dx) {
    try {
        dx.Initialize();
    } catch (const Error& e) {
        return e.what();
    }
    return "<initialised>";
}

TEST_F(DXDrawTest, FailuresRaiseTheirTextsAndLeaveTheDeviceUninitialised) {
    TDXDraw orphan;
    EXPECT_EQ(initError(orphan), "Form not found");
    EXPECT_THROW(orphan.Initialize(), EDXDrawError);

    dx->resize(10, 10);
    const std::size_t surfaceBytes = 10 * 10 * 4;
    {
        ScopedDevice none([] { return std::unique_ptr<soft2d::Device>(); });
        EXPECT_EQ(initError(*dx), "DirectDraw cannot be initialized");
        EXPECT_THROW(dx->Initialize(), EDirectDrawError);
    }
    {
        auto noDisplay = deviceWith({0, 1 << 20, 64});
        EXPECT_EQ(initError(*dx), "Primary Surface cannot be made");
    }
    {
        auto noRoom = deviceWith({surfaceBytes, 0, 64});
        EXPECT_EQ(initError(*dx), "Surface cannot be made");
        EXPECT_FALSE(dx->Initialized());
        EXPECT_FALSE(dx->Busy());
        EXPECT_EQ(dx->DDraw(), nullptr);
    }
    {
        auto systemOnly = deviceWith({surfaceBytes, surfaceBytes, 64});
        EXPECT_EQ(initError(*dx), "<initialised>") << "the back surface goes to system memory";
        EXPECT_EQ(dx->Surface().ISurface()->memory(), soft2d::Memory::System);
        dx->Finalize();
    }
}

TEST_F(DXDrawTest, MouseEventsAreForwardedAsTheyComeAndFollowAHeldButtonOutside) {
    dx->resize(480, 480);
    form->resize(500, 500);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    struct Event {
        std::string kind;
        TMouseButton button;
        TShiftState shift;
        int x, y;
    };
    std::vector<Event> events;
    auto recorder = [&events](std::string kind) {
        return [&events, kind](TMouseButton b, TShiftState s, int x, int y) {
            events.push_back({kind, b, s, x, y});
        };
    };
    dx->OnMouseDown = recorder("down");
    dx->OnMouseMove = recorder("move");
    dx->OnMouseUp = recorder("up");

    QTest::mouseMove(dx, QPoint(30, 40));
    QTest::mousePress(dx, Qt::LeftButton, Qt::ShiftModifier, QPoint(479, 479));
    QTest::mouseMove(dx, QPoint(-3, 10));
    QTest::mouseRelease(dx, Qt::LeftButton, Qt::NoModifier, QPoint(-3, 10));

    ASSERT_GE(events.size(), 4u);
    const Event& down = events[events.size() - 3];
    const Event& drag = events[events.size() - 2];
    const Event& up = events.back();
    EXPECT_EQ(events.front().kind, "move") << "moves with no button down are forwarded";
    EXPECT_EQ(events.front().button, mbNone);
    EXPECT_EQ(events.front().x, 30);
    EXPECT_EQ(down.kind, "down");
    EXPECT_EQ(down.button, mbLeft);
    EXPECT_EQ(down.shift, ssShift | ssLeft);
    EXPECT_EQ(down.x / 24, 19);
    EXPECT_EQ(down.y / 24, 19);
    EXPECT_EQ(drag.kind, "move");
    EXPECT_EQ(drag.x, -3) << "the held button keeps the mouse with the control";
    EXPECT_EQ(drag.y, 10);
    EXPECT_TRUE(drag.shift & ssLeft);
    EXPECT_EQ(up.kind, "up");
    EXPECT_EQ(up.button, mbLeft);
    EXPECT_EQ(up.x, -3);
}

}  // namespace
}  // namespace prismcrate
