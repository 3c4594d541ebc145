#include <gtest/gtest.h>

#include <stdlib.h>

#include <QCoreApplication>
#include <QDir>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/main_window.h"
#include "fake_sound.h"
#include "fifo_guard.h"
#include "media/dx_sound.h"
#include "media/dx_timer.h"
#include "platform/error_box.h"
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
    EXPECT_THROW(form.waveCues().playCue(5, false), EListError);

    EXPECT_FALSE(form.DXSound1->Initialized()) << "the device opens after the first frame";
    ASSERT_TRUE(showUntilTheSoundOpened(form));
    ASSERT_TRUE(form.DXSound1->Initialized()) << "SDL's dummy driver opens";
    if (!form.DXWaveList1->Items[1].Wave.Empty()) {
        form.waveCues().playCue(kCueClick, false);
        ASSERT_EQ(form.DXWaveList1->Items[1].Copies().size(), 1u);
        bool playing = false;
        form.DXWaveList1->Items[1].Copies()[0]->status(playing);
        EXPECT_TRUE(playing);
        form.waveCues().stopCue(kCueClick);
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
    form.setBlastTimerEnabled(true);
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
        form.waveCues().stopCue(cue);
        form.waveCues().playCue(cue, true);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
}

// Asset files that are valid but far too long, or are FIFOs, leave their cue or sheet
// empty: the window starts at once and plays the cues silently (the sheet that cannot be
// opened is reported).
TEST_F(FormSoundTest, HostileAssetFilesLeaveTheirPartsEmptyAndStartAtOnce) {
    namespace fs = std::filesystem;
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    char name[] = "/tmp/prismcrate_hostile_assets_XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    const fs::path dir = name;
    fs::create_directories(dir / "assets");
    // Valid waves of 8-bit mono: 8 MiB at 1000 Hz (2.3 hours) and 48 MiB at 11025 Hz; the
    // sample bytes are left as holes of the file, which read as silence.
    auto longWave = [&](const char* file, std::uint32_t rate, std::size_t bytes) {
        TWave header;
        header.SetPCM(PcmFormat{1, 1, rate, rate, 1, 8}, {});
        std::vector<std::uint8_t> image = header.SaveToBytes();
        for (int i = 0; i < 4; ++i) image[40 + i] = static_cast<std::uint8_t>(bytes >> (8 * i));
        const fs::path path = dir / "assets" / file;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
        fs::resize_file(path, image.size() + bytes);
    };
    longWave("win.wav", 1000, std::size_t{8} << 20);
    longWave("death.wav", 11025, std::size_t{48} << 20);
    testing::FifoGuard guard;
    for (const char* file : {"click.wav", "tiles1.bmp", "palette.bmp"})
        ASSERT_TRUE(guard.make((dir / "assets" / file).string()));
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(dir.string())));
    QStringList errors;
    const ErrorBoxSink previous =
        setErrorBoxSink([&errors](const QString& text) { errors.append(text); });
    {
        TForm1 form;
        EXPECT_FALSE(guard.timedOut()) << "the window waited on a FIFO";
        EXPECT_EQ(errors, QStringList{QStringLiteral("Cannot open file assets/tiles1.bmp.")});
        for (int cue : {kCueClick, kCueDeath, kCueWin})
            EXPECT_TRUE(form.DXWaveList1->Items[cue].Wave.Empty()) << cue;
        EXPECT_TRUE(form.DXImageList1->Items[0].Picture.Empty());
        ASSERT_TRUE(showUntilTheSoundOpened(form));
        ASSERT_TRUE(form.DXSound1->Initialized());
        const auto start = std::chrono::steady_clock::now();
        form.waveCues().playCue(kCueWin, true);
        form.waveCues().playCue(kCueClick, true);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    }
    setErrorBoxSink(previous);
    QDir::setCurrent(QDir::tempPath());
    fs::remove_all(dir);
}

}  // namespace
}  // namespace prismcrate
