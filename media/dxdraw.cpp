#include "media/dxdraw.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <exception>

#include "platform/error_box.h"
#include "platform/surface_view.h"

namespace prismcrate {
namespace {

constexpr std::uint32_t kBlack = soft2d::rgbPixel(0, 0, 0);

TCustomDXDraw::DeviceFactory& deviceFactory() {
    static TCustomDXDraw::DeviceFactory factory;
    return factory;
}

// Clears a flag when the scope ends, also by an exception.
class FlagGuard {
  public:
    explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagGuard() { flag_ = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

  private:
    bool& flag_;
};

TShiftState shiftState(const QMouseEvent* event) {
    TShiftState shift = 0;
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (mods & Qt::ShiftModifier) shift |= ssShift;
    if (mods & Qt::AltModifier) shift |= ssAlt;
    if (mods & Qt::ControlModifier) shift |= ssCtrl;
    const Qt::MouseButtons held = event->buttons();
    if (held & Qt::LeftButton) shift |= ssLeft;
    if (held & Qt::RightButton) shift |= ssRight;
    if (held & Qt::MiddleButton) shift |= ssMiddle;
    return shift;
}

bool mouseButton(Qt::MouseButton qtButton, TMouseButton& button) {
    switch (qtButton) {
        case Qt::LeftButton:
            button = mbLeft;
            return true;
        case Qt::RightButton:
            button = mbRight;
            return true;
        case Qt::MiddleButton:
            button = mbMiddle;
            return true;
        default:
            return false;
    }
}

}  // namespace

// TDirectDrawSurface.

void TDirectDrawSurface::Attach(std::unique_ptr<soft2d::Surface> surface) {
    surface_ = std::move(surface);
    UseGeneralCopy = false;
}

void TDirectDrawSurface::Fill(std::uint32_t pixelValue) {
    if (surface_) surface_->fill(pixelValue);
}

void TDirectDrawSurface::SetTransparentColor(TColor color) {
    if (surface_) surface_->setColorKey(ColorMatch(color));
}

soft2d::Result TDirectDrawSurface::BltFast(int x, int y, const TDirectDrawSurface& source,
                                           const soft2d::Rect& sourceRect, bool transparent) {
    if (!surface_ || !source.surface_) return soft2d::Result::Invalid;
    return soft2d::bltFast(*surface_, x, y, *source.surface_, sourceRect, transparent);
}

soft2d::Result TDirectDrawSurface::Blt(const soft2d::Rect& destRect,
                                       const TDirectDrawSurface& source,
                                       const soft2d::Rect& sourceRect, bool transparent) {
    if (!surface_ || !source.surface_) return soft2d::Result::Invalid;
    return soft2d::blt(*surface_, destRect, *source.surface_, sourceRect, transparent);
}

// Options.

TDXDrawOptions effectiveDXDrawOptions(TDXDrawOptions requested) {
    TDXDrawOptions o = requested;
    if (!o.contains(doFullScreen)) {
        o.exclude(doNoWindowChange);
        o.exclude(doAllowReboot);
        o.exclude(doAllowPalette256);
        o.exclude(doFlip);
    }
    if (!o.contains(do3D)) {
        o.exclude(doRetainedMode);
        o.exclude(doHardware);
        o.exclude(doSelectDriver);
        o.exclude(doZBuffer);
    }
    if (o.contains(doSystemMemory)) o.exclude(doFlip);
    o.exclude(doHardware);
    return o;
}

TDXDrawOptions changedDXDrawOptions(TDXDrawOptions effective, TDXDrawOptions requested) {
    TDXDrawOptions o = effective;
    for (TDXDrawOption option : {doWaitVBlank, doStretch, doCenter}) {
        if (requested.contains(option))
            o.include(option);
        else
            o.exclude(option);
    }
    if (!o.contains(do3D)) {
        o.exclude(doRetainedMode);
        o.exclude(doHardware);
        o.exclude(doSelectDriver);
        o.exclude(doZBuffer);
    }
    return o;
}

// TCustomDXDraw.

TCustomDXDraw::TCustomDXDraw(QWidget* parent) : QWidget(parent) {
    resize(100, 100);
    surfaceWidth_ = width();
    surfaceHeight_ = height();
    nowOptions_ = effectiveDXDrawOptions(options_);
    Color = palette().color(QPalette::Button);
    // Moves are forwarded with no button down too.
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    hookForm();
}

TCustomDXDraw::~TCustomDXDraw() {
    if (form_) form_->removeEventFilter(this);
    try {
        Finalize();
    } catch (...) {
        // A handler's error cannot be reported from here; the device is freed regardless.
    }
    try {
        notify(dxntDestroying);
    } catch (...) {
    }
}

TCustomDXDraw::DeviceFactory TCustomDXDraw::SetDeviceFactory(DeviceFactory factory) {
    DeviceFactory previous = std::move(deviceFactory());
    deviceFactory() = std::move(factory);
    return previous;
}

void TCustomDXDraw::hookForm() {
    QWidget* form = parentWidget() ? window() : nullptr;
    if (form == form_) return;
    if (form_) form_->removeEventFilter(this);
    form_ = form;
    if (form_) form_->installEventFilter(this);
}

bool TCustomDXDraw::event(QEvent* event) {
    if (event->type() == QEvent::ParentChange) hookForm();
    return QWidget::event(event);
}

bool TCustomDXDraw::eventFilter(QObject* watched, QEvent* event) {
    // The enclosing form being shown for the first time starts the device; one attempt
    // only. An error goes to the application's error box and the program goes on with an
    // uninitialised display.
    if (watched == form_ && event->type() == QEvent::Show && AutoInitialize && !attempted_)
        runReportingErrors([this] { Initialize(); });
    return QWidget::eventFilter(watched, event);
}

void TCustomDXDraw::SetAutoSize(bool value) {
    autoSize_ = value;
    if (autoSize_ && !busy_) SetSurfaceSize(width(), height());
}

void TCustomDXDraw::SetOptions(TDXDrawOptions options) {
    options_ = options;
    nowOptions_ =
        initialized_ ? changedDXDrawOptions(nowOptions_, options) : effectiveDXDrawOptions(options);
}

void TCustomDXDraw::RegisterNotifyEvent(const void* owner, TDXDrawNotifyEvent event) {
    UnRegisterNotifyEvent(owner);
    listeners_.push_back({owner, event});
    event(*this, dxntSetSurfaceSize);
    if (initialized_) {
        event(*this, dxntInitialize);
        if (!initializing_) event(*this, dxntRestore);
    }
}

void TCustomDXDraw::UnRegisterNotifyEvent(const void* owner) {
    listeners_.erase(std::remove_if(listeners_.begin(), listeners_.end(),
                                    [owner](const Listener& l) { return l.owner == owner; }),
                     listeners_.end());
}

void TCustomDXDraw::notify(TDXDrawNotifyType type) {
    // A listener may unregister itself or others while being notified.
    const std::vector<Listener> listeners = listeners_;
    for (const Listener& listener : listeners) {
        const bool stillThere =
            std::any_of(listeners_.begin(), listeners_.end(),
                        [&](const Listener& l) { return l.owner == listener.owner; });
        if (stillThere) listener.event(*this, type);
    }
}

std::unique_ptr<soft2d::Surface> TCustomDXDraw::createBackSurface(int width, int height) {
    const soft2d::Memory memory =
        nowOptions_.contains(doSystemMemory) ? soft2d::Memory::System : soft2d::Memory::Display;
    std::unique_ptr<soft2d::Surface> back =
        device_->createSurface(std::max(width, 1), std::max(height, 1), memory);
    if (!back && memory == soft2d::Memory::Display)
        back =
            device_->createSurface(std::max(width, 1), std::max(height, 1), soft2d::Memory::System);
    return back;
}

void TCustomDXDraw::createPrimary() {
    primary_.Release();
    std::unique_ptr<soft2d::Surface> primary =
        device_->createPrimarySurface(std::max(width(), 1), std::max(height(), 1));
    if (!primary) throw EDXDrawError("Primary Surface cannot be made");
    // The clipper: presenting never writes outside the control's area.
    primary->setClipper(primary->bounds());
    // A new surface is black already.
    primary_.Attach(std::move(primary));
}

void TCustomDXDraw::freeDevice() {
    surface_.Release();
    primary_.Release();
    device_.reset();
}

void TCustomDXDraw::Initialize() {
    if (initialized_) Finalize();
    attempted_ = true;
    if (!form_) throw EDXDrawError("Form not found");

    try {
        if (OnInitializing) OnInitializing(*this);
        FlagGuard busy(busy_);
        FlagGuard initializing(initializing_);
        notify(dxntInitializing);
        device_ = deviceFactory() ? deviceFactory()() : std::make_unique<soft2d::Device>();
        if (!device_) throw EDirectDrawError("DirectDraw cannot be initialized");
        // The cooperative level of a window on the shared desktop needs nothing from the
        // software device, and there is no display mode to change.
        if (autoSize_) {
            surfaceWidth_ = width();
            surfaceHeight_ = height();
        }
        createPrimary();
        std::unique_ptr<soft2d::Surface> back = createBackSurface(surfaceWidth_, surfaceHeight_);
        if (!back) throw EDXDrawError("Surface cannot be made");
        surface_.Attach(std::move(back));
    } catch (...) {
        freeDevice();
        throw;
    }

    initialized_ = true;
    {
        FlagGuard busy(busy_);
        FlagGuard initializing(initializing_);
        notify(dxntSetSurfaceSize);
        initAnnounced_ = true;
        notify(dxntInitialize);
        if (OnInitialize) OnInitialize(*this);
        surfaceAnnounced_ = true;
        notify(dxntInitializeSurface);
        if (OnInitializeSurface) OnInitializeSurface(*this);
    }
    Restore();
    update();
}

void TCustomDXDraw::Finalize() {
    if (!initialized_) return;
    std::exception_ptr error;
    auto run = [&error](const std::function<void()>& f) {
        try {
            f();
        } catch (...) {
            if (!error) error = std::current_exception();
        }
    };
    {
        FlagGuard busy(busy_);
        if (surfaceAnnounced_ && OnFinalizeSurface) run([this] { OnFinalizeSurface(*this); });
        run([this] { notify(dxntFinalizeSurface); });
        if (initAnnounced_ && OnFinalize) run([this] { OnFinalize(*this); });
        run([this] { notify(dxntFinalize); });
        freeDevice();
        initialized_ = false;
        initAnnounced_ = false;
        surfaceAnnounced_ = false;
    }
    nowOptions_ = effectiveDXDrawOptions(options_);
    update();
    if (error) std::rethrow_exception(error);
}

void TCustomDXDraw::Restore() {
    if (!initialized_ || busy_) return;
    FlagGuard busy(busy_);
    if (!primary_.Restore() || !surface_.Restore()) return;
    primary_.Fill(kBlack);
    surface_.Fill(kBlack);
    notify(dxntRestore);
    if (OnRestoreSurface) OnRestoreSurface(*this);
}

void TCustomDXDraw::SetSurfaceSize(int width, int height) {
    if (width == surfaceWidth_ && height == surfaceHeight_) return;
    if (initialized_) {
        FlagGuard busy(busy_);
        notify(dxntFinalizeSurface);
        if (OnFinalizeSurface) OnFinalizeSurface(*this);
        surface_.Release();
        surfaceWidth_ = width;
        surfaceHeight_ = height;
        std::unique_ptr<soft2d::Surface> back = createBackSurface(width, height);
        if (!back) throw EDXDrawError("Surface cannot be made");
        surface_.Attach(std::move(back));
        surface_.Fill(kBlack);
        notify(dxntInitializeSurface);
        if (OnInitializeSurface) OnInitializeSurface(*this);
    } else {
        surfaceWidth_ = width;
        surfaceHeight_ = height;
    }
    notify(dxntSetSurfaceSize);
}

soft2d::Rect TCustomDXDraw::presentRect() const {
    if (nowOptions_.contains(doStretch)) return {0, 0, width(), height()};
    int left = 0;
    int top = 0;
    if (nowOptions_.contains(doCenter)) {
        left = (width() - surfaceWidth_) / 2;
        top = (height() - surfaceHeight_) / 2;
    }
    return {left, top, left + surface_.Width(), top + surface_.Height()};
}

void TCustomDXDraw::present(bool waitVBlank) {
    if (!initialized_ || busy_) return;
    if (!primary_.ISurface()) return;
    if (primary_.IsLost() || surface_.IsLost()) {
        Restore();
        if (primary_.IsLost() || surface_.IsLost()) return;
    }
    if (waitVBlank) {
        // The vertical-blank wait is deliberately skipped. Qt widgets offer no wait for the
        // display's vertical blank, and tearing cannot happen here anyway: the frame goes
        // into the primary in one copy, and the window system is handed the finished
        // widget image by the synchronous repaint below, never a half-drawn one.
    }
    primary_.Blt(presentRect(), surface_, {0, 0, surface_.Width(), surface_.Height()}, false);
    repaint();
}

void TCustomDXDraw::Flip() {
    present(nowOptions_.contains(doWaitVBlank));
}

void TCustomDXDraw::paintEvent(QPaintEvent* event) {
    // Exposure repaints the last presented frame; the game does not draw again for it.
    QPainter painter(this);
    const soft2d::Surface* primary = primary_.ISurface();
    if (!initialized_ || busy_ || !primary) {
        painter.fillRect(event->rect(), Color);
        return;
    }
    if (primary->isLost()) {
        // Shown black until the next Flip restores the surfaces.
        painter.fillRect(event->rect(), Qt::black);
        return;
    }
    paintSurface(painter, *primary, QPoint(0, 0));
    const QRect shown(0, 0, primary->width(), primary->height());
    if (!shown.contains(rect())) {
        QRegion rest(rect());
        rest -= shown;
        for (const QRect& r : rest) painter.fillRect(r, Qt::black);
    }
}

void TCustomDXDraw::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (busy_) return;
    runReportingErrors([this] {
        if (initialized_ && (primary_.Width() != width() || primary_.Height() != height()))
            createPrimary();
        if (autoSize_) SetSurfaceSize(width(), height());
    });
}

void TCustomDXDraw::forwardMouse(const TMouseEvent& handler, QMouseEvent* event,
                                 TMouseButton button, TShiftState extra) {
    if (!handler) return;
    const QPointF p = event->position();
    handler(button, shiftState(event) | extra, int(std::floor(p.x())), int(std::floor(p.y())));
}

// While a button is down, Qt delivers every mouse event to the control it was pressed
// on, wherever the pointer goes: that is the capture that lets a move report X = -3.
void TCustomDXDraw::mousePressEvent(QMouseEvent* event) {
    TMouseButton button;
    if (mouseButton(event->button(), button)) forwardMouse(OnMouseDown, event, button, 0);
}

void TCustomDXDraw::mouseDoubleClickEvent(QMouseEvent* event) {
    TMouseButton button;
    if (mouseButton(event->button(), button)) forwardMouse(OnMouseDown, event, button, ssDouble);
}

void TCustomDXDraw::mouseMoveEvent(QMouseEvent* event) {
    forwardMouse(OnMouseMove, event, mbNone, 0);
}

void TCustomDXDraw::mouseReleaseEvent(QMouseEvent* event) {
    TMouseButton button;
    if (mouseButton(event->button(), button)) forwardMouse(OnMouseUp, event, button, 0);
}

}  // namespace prismcrate
