// The display control: a child widget that owns an off-screen back surface of its own
// size. Everything is drawn into the back surface; Flip presents it in the control in one
// piece. Image lists register with the control and follow its lifecycle through its
// notifications. The device underneath is the software device of platform/.
#pragma once

#include <QColor>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "media/colors.h"
#include "platform/error.h"
#include "platform/soft2d.h"

namespace prismcrate {

class EDirectDrawError : public Error {
  public:
    using Error::Error;
};
class EDXDrawError : public Error {
  public:
    using Error::Error;
};
class EDirectDrawSurfaceError : public Error {
  public:
    using Error::Error;
};

// A surface of the device as the components see it. It may be empty (no device surface),
// as the back surface is before the display is initialised; then it has size 0 and every
// operation on it does nothing.
class TDirectDrawSurface {
  public:
    TDirectDrawSurface() = default;
    explicit TDirectDrawSurface(std::unique_ptr<soft2d::Surface> surface)
        : surface_(std::move(surface)) {}

    soft2d::Surface* ISurface() const { return surface_.get(); }
    void Attach(std::unique_ptr<soft2d::Surface> surface);
    void Release() { Attach(nullptr); }

    int Width() const { return surface_ ? surface_->width() : 0; }
    int Height() const { return surface_ ? surface_->height() : 0; }
    bool IsLost() const { return surface_ && surface_->isLost(); }
    bool Restore() { return surface_ && surface_->restore(); }

    void Fill(std::uint32_t pixelValue);
    std::uint32_t Pixel(int x, int y) const { return surface_ ? surface_->pixel(x, y) : 0; }

    // The value this surface stores for a colour.
    std::uint32_t ColorMatch(TColor color) const { return colorToPixel(color); }
    void SetTransparentColor(TColor color);

    soft2d::Result BltFast(int x, int y, const TDirectDrawSurface& source,
                           const soft2d::Rect& sourceRect, bool transparent);
    soft2d::Result Blt(const soft2d::Rect& destRect, const TDirectDrawSurface& source,
                       const soft2d::Rect& sourceRect, bool transparent);

    // Set once the fast copy has refused this destination for its clipper; from then on
    // copies onto it use the general copy.
    bool UseGeneralCopy = false;

  private:
    std::unique_ptr<soft2d::Surface> surface_;
};

// Options in their declared order; an option's bit in the set is its position.
enum TDXDrawOption {
    doFullScreen,
    doNoWindowChange,
    doAllowReboot,
    doWaitVBlank,
    doAllowPalette256,
    doSystemMemory,
    doStretch,
    doCenter,
    doFlip,
    do3D,
    doRetainedMode,
    doHardware,
    doSelectDriver,
    doZBuffer,
};

class TDXDrawOptions {
  public:
    constexpr TDXDrawOptions() = default;
    constexpr TDXDrawOptions(std::initializer_list<TDXDrawOption> options) {
        for (TDXDrawOption o : options) bits_ |= bit(o);
    }
    constexpr bool contains(TDXDrawOption o) const { return (bits_ & bit(o)) != 0; }
    constexpr void include(TDXDrawOption o) { bits_ |= bit(o); }
    constexpr void exclude(TDXDrawOption o) { bits_ &= ~bit(o); }
    constexpr std::uint32_t bits() const { return bits_; }
    friend constexpr bool operator==(TDXDrawOptions, TDXDrawOptions) = default;

  private:
    static constexpr std::uint32_t bit(TDXDrawOption o) { return std::uint32_t(1) << int(o); }
    std::uint32_t bits_ = 0;
};

inline constexpr TDXDrawOptions kDefaultDXDrawOptions{doAllowReboot,  doWaitVBlank, doCenter,
                                                      doRetainedMode, doHardware,   doSelectDriver};

// The options the control works with, reduced from the requested ones while the device
// is not initialised.
TDXDrawOptions effectiveDXDrawOptions(TDXDrawOptions requested);
// A new request while the device is initialised changes only the vertical-blank wait,
// stretching and centring.
TDXDrawOptions changedDXDrawOptions(TDXDrawOptions effective, TDXDrawOptions requested);

// Full-screen mode settings; kept as a property, without effect in a window.
struct TDXDrawDisplay {
    int Width = 640;
    int Height = 480;
    int BitCount = 8;
    bool FixedBitCount = true;
    bool FixedRatio = true;
    bool FixedSize = false;
};

// Notifications in the order the control may send them.
enum TDXDrawNotifyType {
    dxntDestroying,
    dxntInitializing,
    dxntSetSurfaceSize,
    dxntInitialize,
    dxntInitializeSurface,
    dxntRestore,
    dxntFinalizeSurface,
    dxntFinalize,
};

class TCustomDXDraw;
using TDXDrawNotifyEvent = std::function<void(TCustomDXDraw& sender, TDXDrawNotifyType type)>;
using TNotifyEvent = std::function<void(TCustomDXDraw& sender)>;

enum TMouseButton { mbLeft, mbRight, mbMiddle, mbNone };
enum TShiftFlag : unsigned {
    ssShift = 1u << 0,
    ssAlt = 1u << 1,
    ssCtrl = 1u << 2,
    ssLeft = 1u << 3,
    ssRight = 1u << 4,
    ssMiddle = 1u << 5,
    ssDouble = 1u << 6,
};
using TShiftState = unsigned;
// Button (mbNone for a move), shift state (keys and the buttons held), X, Y in control
// pixels, which are also back-surface pixels.
using TMouseEvent = std::function<void(TMouseButton button, TShiftState shift, int x, int y)>;

class TCustomDXDraw : public QWidget {
    Q_OBJECT
  public:
    explicit TCustomDXDraw(QWidget* parent = nullptr);
    ~TCustomDXDraw() override;

    // Properties.
    bool AutoInitialize = true;
    QColor Color;  // where nothing has been presented; the button face by default
    TDXDrawDisplay Display;

    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    TDXDrawOptions Options() const { return options_; }
    void SetOptions(TDXDrawOptions options);
    // The reduced set in force.
    TDXDrawOptions NowOptions() const { return nowOptions_; }

    int SurfaceWidth() const { return surfaceWidth_; }
    int SurfaceHeight() const { return surfaceHeight_; }
    void SetSurfaceWidth(int width) { SetSurfaceSize(width, surfaceHeight_); }
    void SetSurfaceHeight(int height) { SetSurfaceSize(surfaceWidth_, height); }
    void SetSurfaceSize(int width, int height);

    // Runtime state.
    bool Initialized() const { return initialized_; }
    bool InitializeAttempted() const { return attempted_; }
    bool Busy() const { return busy_; }
    // The back surface: the target of all drawing. Empty until initialisation.
    TDirectDrawSurface& Surface() { return surface_; }
    // What the control shows: the last presented frame, the control's size.
    TDirectDrawSurface& Primary() { return primary_; }
    // The device; nullptr while not initialised.
    soft2d::Device* DDraw() const { return device_.get(); }

    void Initialize();
    void Finalize();
    void Flip();
    void Restore();

    // Listeners, called in registration order with the owner they registered with.
    void RegisterNotifyEvent(const void* owner, TDXDrawNotifyEvent event);
    void UnRegisterNotifyEvent(const void* owner);

    // Events.
    TNotifyEvent OnInitializing;
    TNotifyEvent OnInitialize;
    TNotifyEvent OnInitializeSurface;
    TNotifyEvent OnFinalize;
    TNotifyEvent OnFinalizeSurface;
    TNotifyEvent OnRestoreSurface;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseMove;
    TMouseEvent OnMouseUp;

    // How the control makes its device; tests replace it to make the device fail or to
    // give it little memory. Returning nullptr means the device cannot be created.
    using DeviceFactory = std::function<std::unique_ptr<soft2d::Device>()>;
    static DeviceFactory SetDeviceFactory(DeviceFactory factory);

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    struct Listener {
        const void* owner;
        TDXDrawNotifyEvent event;
    };

    void notify(TDXDrawNotifyType type);
    void hookForm();
    void freeDevice();
    void createPrimary();
    std::unique_ptr<soft2d::Surface> createBackSurface(int width, int height);
    soft2d::Rect presentRect() const;
    void present(bool waitVBlank);
    void forwardMouse(const TMouseEvent& handler, QMouseEvent* event, TMouseButton button,
                      TShiftState extra);

    bool autoSize_ = true;
    TDXDrawOptions options_ = kDefaultDXDrawOptions;
    TDXDrawOptions nowOptions_;
    int surfaceWidth_ = 100;
    int surfaceHeight_ = 100;

    bool initialized_ = false;
    bool attempted_ = false;
    bool busy_ = false;
    bool initializing_ = false;
    bool initAnnounced_ = false;
    bool surfaceAnnounced_ = false;
    QPointer<QWidget> form_;

    std::unique_ptr<soft2d::Device> device_;
    TDirectDrawSurface primary_;
    TDirectDrawSurface surface_;
    std::vector<Listener> listeners_;
};

class TDXDraw : public TCustomDXDraw {
    Q_OBJECT
  public:
    using TCustomDXDraw::TCustomDXDraw;
};

}  // namespace prismcrate
