// The main window's sound cues and frame timers, set up as the window's component data
// describes them.
#include <QEvent>
#include <QString>
#include <QTimer>
#include <new>

#include "app/main_window.h"
#include "media/dx_sound.h"
#include "media/dx_timer.h"
#include "platform/paths.h"

namespace prismcrate {
namespace {

// The cues by their index in DXWaveList1.
constexpr const char* kCueNames[] = {"explosion", "click", "move", "death", "win"};

// The object name of the hook below, by which tests know whether it has done its work.
constexpr const char* kOpenSoundHookName = "openSoundAfterFirstFrame";

// A frame timer as stored: disabled, running also while another application is active.
TDXTimer* loadTimer(QObject* owner, int interval, TCustomDXTimer::TimerEvent onTimer) {
    auto* timer = new TDXTimer(owner);
    timer->BeginLoading();
    timer->setInterval(interval);
    timer->setEnabled(false);
    timer->setActiveOnly(false);
    timer->OnTimer = std::move(onTimer);
    return timer;
}

// Ends the sound device's loading once the window has drawn its first frame. Opening the
// device loads the sound library with the system's audio stack, which takes longer than
// everything else the window does before it shows; no cue can play before the player has
// seen the window and chosen a level, so the window shows first.
class OpenSoundAfterFirstFrame : public QObject {
  public:
    OpenSoundAfterFirstFrame(QWidget* window, TDXSound* sound) : QObject(window), sound_(sound) {
        setObjectName(QString::fromLatin1(kOpenSoundHookName));
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // After this paint has reached the screen.
            QTimer::singleShot(0, this, [this] {
                deleteLater();
                sound_->Loaded();
            });
        }
        return false;
    }

  private:
    TDXSound* sound_;
};

}  // namespace

void TForm1::createSoundAndTimers() {
    DXSound1 = new TDXSound(this);
    DXWaveList1 = new TDXWaveList(this);
    DXWaveList1->setDXSound(DXSound1);
    for (const char* name : kCueNames) {
        TWaveCollectionItem& item = DXWaveList1->Items.Add();
        item.Name = QString::fromLatin1(name);
        try {
            item.Wave.LoadFromFile(assetPath(std::string(name) + ".wav"));
        } catch (const Error&) {
            // A missing or damaged cue file leaves that cue silent; the game goes on.
        } catch (const std::bad_alloc&) {
            // So does one that does not fit in memory.
        }
    }
    DXTimer1 = loadTimer(this, 100, [this](TCustomDXTimer* sender, int lagCount) {
        DXTimer1Timer(sender, lagCount);
    });
    DXTimer2 = loadTimer(this, 10, [this](TCustomDXTimer* sender, int lagCount) {
        DXTimer2Timer(sender, lagCount);
    });
    DXTimer3 = loadTimer(this, 10, [this](TCustomDXTimer* sender, int lagCount) {
        DXTimer3Timer(sender, lagCount);
    });

    // End of loading: the timers, all disabled, stay stopped; the sound device opens
    // (silently staying closed without one) right after the first frame.
    new OpenSoundAfterFirstFrame(this, DXSound1);
    DXTimer1->Loaded();
    DXTimer2->Loaded();
    DXTimer3->Loaded();
}

}  // namespace prismcrate
