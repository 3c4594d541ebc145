#include <gtest/gtest.h>

#include <stdlib.h>

#include <QCoreApplication>
#include <QDir>
#include <chrono>
#include <cstdlib>
#include <string>

#include "app/main_window.h"
#include "fake_sound.h"
#include "media/dx_sound.h"
#include "media/dx_timer.h"
#include "platform/idle_slot.h"
#include "test_app.h"

namespace prismcrate {
namespace {

// Shows the window without its start-up tick and lets it draw until its sound device has
// had its chance to open, right after the first frame; false when that never came.
bool showUntilTheSoundOpened(TForm1& form) {
    form.DXTimer2->setEnabled(false);
    form.show();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    // The hook that opens the device goes when it has done so.
    while (form.findChild<QObject*>(QStringLiteral("openSoundAfterFirstFrame"))) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Runs the test in `dir` (where the window looks for assets/) and with SDL_AUDIODRIVER set.
class FormSoundTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::testApp();
        previousDir_ = QDir::currentPath();
        if (const char* d = std::getenv("SDL_AUDIODRIVER")) previousDriver_ = d;
    }
    void TearDown() override {
        QDir::setCurrent(previousDir_);
        if (previousDriver_.empty())
            unsetenv("SDL_AUDIODRIVER");
        else
            setenv("SDL_AUDIODRIVER", previousDriver_.c_str(), 1);
        idle_slot::clear();
    }

  private:
    QString previousDir_;
    std::string previousDriver_;
};

TEST_F(FormSoundTest, TheWindowHasItsThreeTimersAndFiveCues) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_TRUE(QDir::setCurrent(QStringLiteral(PRISMCRATE_RUN_DIR)));
    TForm1 form;
    const struct {
        TDXTimer* timer;
        int interval;
    } timers[] = {{form.DXTimer1, 100}, {form.DXTimer2, 10}, {form.DXTimer3, 10}};
    for (const auto& t : timers) {
        ASSERT_NE(t.timer, nullptr);
        EXPECT_EQ(t.timer->Interval(), t.interval);
        EXPECT_FALSE(t.timer->ActiveOnly());
    }
    EXPECT_FALSE(form.DXTimer1->Enabled());
    EXPECT_FALSE(form.DXTimer3->Enabled());

    ASSERT_EQ(form.DXWaveList1->Items.Count(), 5);
    EXPECT_EQ(form.DXWaveList1->DXSound(), form.DXSound1);
    const char* names[] = {"explosion", "click", "move", "death", "win"};
    const std::size_t sizes[] = {8000, 791, 2408, 4466, 11089};
    for (int i = 0; i < 5; ++i) {
        TWaveCollectionItem& item = form.DXWaveList1->Items[i];
        EXPECT_EQ(item.Name, QString::fromLatin1(names[i]));
        EXPECT_FALSE(item.Looped());
        EXPECT_EQ(item.MaxPlayingCount(), 0);
        if (QFile::exists(QStringLiteral("assets/%1.wav").arg(names[i]))) {
            EXPECT_EQ(item.Wave.Size(), sizes[i]) << names[i];
        }
    }
    EXPECT_THROW(form.playCue(5, false), EListError);

    EXPECT_FALSE(form.DXSound1->Initialized()) << "the device opens after the first frame";
    ASSERT_TRUE(showUntilTheSoundOpened(form));
    ASSERT_TRUE(form.DXSound1->Initialized()) << "SDL's dummy driver opens";
    if (!form.DXWaveList1->Items[1].Wave.Empty()) {
        form.playCue(kCueClick, false);
        ASSERT_EQ(form.DXWaveList1->Items[1].Copies().size(), 1u);
        bool playing = false;
        form.DXWaveList1->Items[1].Copies()[0]->status(playing);
        EXPECT_TRUE(playing);
        form.stopCue(kCueClick);
        form.DXWaveList1->Items[1].Copies()[0]->status(playing);
        EXPECT_FALSE(playing);
    }
}

TEST_F(FormSoundTest, TheBlastTimerTicksOnceAfterItsInterval) {
    testing::FakeClock clock;
    testing::ClockGuard guard(&clock);
    TForm1 form;
    idle_slot::clear();
    clock.now = 500;
    EXPECT_FALSE(form.blastTimerEnabled());
    form.enableBlastTimer();
    EXPECT_TRUE(form.blastTimerEnabled());
    clock.now = 599;
    idle_slot::runOnce();
    EXPECT_TRUE(form.blastTimerEnabled());
    clock.now = 600;
    idle_slot::runOnce();
    EXPECT_FALSE(form.blastTimerEnabled()) << "the handler disables its own timer";
    EXPECT_FALSE(idle_slot::isFilled());
}

TEST_F(FormSoundTest, WithoutDeviceOrCueFilesTheWindowStartsSilently) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    ASSERT_TRUE(QDir::setCurrent(QDir::tempPath()));
    TForm1 form;
    ASSERT_TRUE(showUntilTheSoundOpened(form));
    EXPECT_FALSE(form.DXSound1->Initialized());
    ASSERT_EQ(form.DXWaveList1->Items.Count(), 5);
    const auto start = std::chrono::steady_clock::now();
    for (int cue = 0; cue < 5; ++cue) {
        form.stopCue(cue);
        form.playCue(cue, true);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
}

}  // namespace
}  // namespace prismcrate
