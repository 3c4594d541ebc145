#include <gtest/gtest.h>

#include <QWidget>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "fake_sound.h"
#include "media/dx_sound.h"
#include "test_app.h"

namespace prismcrate {
namespace {

using testing::ClockGuard;
using testing::FakeClock;
using testing::FakeMixer;

struct CueSpec {
    const char* name;
    std::uint32_t rate;
    std::size_t bytes;
};
// The game's five cues: 8-bit unsigned mono PCM.
constexpr CueSpec kCues[] = {{"explosion", 8000, 8000},
                             {"click", 11025, 791},
                             {"move", 11025, 2408},
                             {"death", 11025, 4466},
                             {"win", 11025, 11089}};

PcmFormat mono8(std::uint32_t rate) {
    return PcmFormat{1, 1, rate, rate, 1, 8};
}

// A window owning the sound component and the wave list with the five cues, the sound
// running on a fake mixer and a fake clock.
class SoundTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto fake = std::make_unique<FakeMixer>(clock);
        mixer = fake.get();
        sound = new TDXSound(&form, std::move(fake));
        list = new TDXWaveList(&form);
        list->setDXSound(sound);
        for (const CueSpec& cue : kCues) {
            TWaveCollectionItem& item = list->Items.Add();
            item.Name = QString::fromLatin1(cue.name);
            item.Wave.SetPCM(mono8(cue.rate), std::vector<std::uint8_t>(cue.bytes, 0x80));
        }
    }

    TWaveCollectionItem& cue(int index) { return list->Items[index]; }
    // The fake buffer behind a copy of cue `index`, by position in the item's list.
    std::shared_ptr<testing::FakeBufferState> copyState(int index, std::size_t position) {
        auto* fake = dynamic_cast<testing::FakeBuffer*>(cue(index).Copies().at(position).get());
        return fake ? fake->state() : nullptr;
    }
    std::shared_ptr<testing::FakeBufferState> masterState(int index) {
        auto* fake = dynamic_cast<testing::FakeBuffer*>(cue(index).Master());
        return fake ? fake->state() : nullptr;
    }

    // The application exists before the window below.
    QApplication& app = testing::testApp();
    FakeClock clock;
    ClockGuard guard{&clock};
    QWidget form;
    FakeMixer* mixer = nullptr;
    TDXSound* sound = nullptr;
    TDXWaveList* list = nullptr;
};

TEST_F(SoundTest, OpeningBuildsOneFilledMasterPerCueAndNoCopies) {
    sound->Loaded();
    ASSERT_TRUE(sound->Initialized());
    ASSERT_EQ(mixer->masters().size(), 5u);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(kCues[i].name);
        EXPECT_TRUE(cue(i).Initialized());
        auto master = masterState(i);
        ASSERT_TRUE(master);
        EXPECT_TRUE(master->filled);
        EXPECT_EQ(master->samples.size(), kCues[i].bytes);
        EXPECT_EQ(master->format.samplesPerSec, kCues[i].rate);
        EXPECT_TRUE(cue(i).Copies().empty());
    }
    EXPECT_EQ(mixer->buffers.size(), 5u) << "nothing decoded or copied beyond the masters";
}

TEST_F(SoundTest, ClickPlayedThriceOverlapsAndAFourthPlayReusesTheFirstCopy) {
    sound->Loaded();
    for (int i = 0; i < 3; ++i) {
        cue(1).Play(false);
        clock.now += 20;
    }
    ASSERT_EQ(cue(1).Copies().size(), 3u);
    // At t = 40 the three soundings (72 ms each) overlap.
    clock.now = 40;
    for (std::size_t k = 0; k < 3; ++k) {
        auto st = copyState(1, k);
        EXPECT_TRUE(mixer->sounding(*st)) << k;
        EXPECT_EQ(st->startedAt, 20 * k);
        EXPECT_FALSE(st->looping);
    }
    clock.now = 500;
    auto first = copyState(1, 0);
    cue(1).Play(false);
    EXPECT_EQ(cue(1).Copies().size(), 3u);
    EXPECT_EQ(first->plays, 2);
    EXPECT_EQ(first->startedAt, 500u);
    EXPECT_EQ(copyState(1, 1)->plays, 1);
    EXPECT_TRUE(clock.sleeps.empty()) << "a play without waiting never sleeps";
}

TEST_F(SoundTest, MoveStoppedAndPlayedAgainRestartsOnTheSameCopy) {
    sound->Loaded();
    TWaveCollectionItem& move = cue(2);
    move.Play(false);
    clock.now = 100;  // still sounding (218 ms)
    move.Stop();
    move.Play(false);
    ASSERT_EQ(move.Copies().size(), 1u);
    auto st = copyState(2, 0);
    EXPECT_EQ(st->plays, 2);
    EXPECT_EQ(st->startedAt, 100u);
    EXPECT_GE(st->rewinds, 2) << "each start is from the first sample";
    EXPECT_EQ(st->volume, 0);
    EXPECT_EQ(st->pan, 0);
    // Without the stop a second sounding overlaps on a second copy.
    clock.now = 150;
    move.Play(false);
    EXPECT_EQ(move.Copies().size(), 2u);
}

TEST_F(SoundTest, MaxPlayingCountRecyclesTheOldestCopy) {
    sound->Loaded();
    TWaveCollectionItem& death = cue(3);
    death.setMaxPlayingCount(2);
    death.Play(false);
    death.Play(false);
    const int a = copyState(3, 0)->id;
    const int b = copyState(3, 1)->id;
    clock.now = 10;
    death.Play(false);  // both busy: the oldest (a) is restarted and moves to the end
    ASSERT_EQ(death.Copies().size(), 2u);
    EXPECT_EQ(copyState(3, 0)->id, b);
    EXPECT_EQ(copyState(3, 1)->id, a);
    EXPECT_EQ(copyState(3, 1)->startedAt, 10u);
    death.Play(false);
    EXPECT_EQ(copyState(3, 0)->id, a);
    EXPECT_EQ(copyState(3, 1)->id, b);
    EXPECT_EQ(mixer->copiesOf(masterState(3)->id).size(), 2u);

    // A different limit frees the copies; values below 0 mean no limit.
    death.setMaxPlayingCount(-4);
    EXPECT_EQ(death.MaxPlayingCount(), 0);
    EXPECT_TRUE(death.Copies().empty());
    for (int i = 0; i < 4; ++i) death.Play(false);
    EXPECT_EQ(death.Copies().size(), 4u);
}

TEST_F(SoundTest, WaitingPlayReturnsOnceTheCopyHasEndedAndNoSooner) {
    sound->Loaded();
    clock.now = 1000;
    cue(4).Play(true);
    const std::uint32_t length = soundingMs(mono8(11025), 11089);
    ASSERT_EQ(length, 1005u);
    EXPECT_GE(clock.now - 1000, length);
    EXPECT_LT(clock.now - 1000, length + 10);
    ASSERT_FALSE(clock.sleeps.empty());
    for (std::uint32_t s : clock.sleeps) EXPECT_EQ(s, 10u);
    EXPECT_FALSE(mixer->sounding(*copyState(4, 0)));
}

TEST_F(SoundTest, WaitingPlayEndsWhenItsCopyIsLostOrTheDeviceStopsAnswering) {
    sound->Loaded();
    // Lost during the wait: the wait ends at the next check.
    clock.afterSleep = [this](std::uint32_t now) {
        if (now >= 300 && !cue(4).Copies().empty()) copyState(4, 0)->lost = true;
    };
    cue(4).Play(true);
    EXPECT_EQ(clock.now, 300u);

    // A copy that keeps claiming to play: the wait gives up a second after its length.
    clock.now = 10000;
    clock.afterSleep = [this](std::uint32_t) { copyState(0, 0)->stuck = true; };
    cue(0).Play(true);
    const std::uint32_t waited = clock.now - 10000;
    EXPECT_GT(waited, 1000u + 1000u);
    EXPECT_LE(waited, 1000u + 1000u + 10);
    EXPECT_FALSE(copyState(0, 0)->playing) << "the stalled copy is stopped";
}

TEST_F(SoundTest, EmptyDataChunkNeverSoundsAndNeverRaises) {
    const std::uint8_t image[] = {'R', 'I', 'F', 'F', 36,  0,   0,   0,  'W', 'A', 'V',
                                  'E', 'f', 'm', 't', ' ', 16,  0,   0,  0,   1,   0,
                                  1,   0,   17,  43,  0,   0,   17,  43, 0,   0,   1,
                                  0,   8,   0,   'd', 'a', 't', 'a', 0,  0,   0,   0};
    cue(1).Wave.LoadFromBytes(image, sizeof image);
    ASSERT_TRUE(cue(1).Wave.Empty());
    sound->Loaded();
    EXPECT_EQ(mixer->masters().size(), 4u);
    EXPECT_NO_THROW({
        cue(1).Play(false);
        cue(1).Play(true);
        cue(1).Stop();
        cue(1).setLooped(true);
        cue(1).Play(false);
    });
    EXPECT_EQ(cue(1).Master(), nullptr);
    EXPECT_TRUE(cue(1).Copies().empty());
    EXPECT_TRUE(clock.sleeps.empty());
}

TEST_F(SoundTest, WithoutADeviceEveryCallReturnsAtOnce) {
    mixer->openResult = false;
    EXPECT_NO_THROW(sound->Loaded());
    EXPECT_FALSE(sound->Initialized());
    EXPECT_EQ(mixer->opens, 1);
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(cue(i).Initialized());
        cue(i).Stop();
        cue(i).Play(false);
        cue(i).Play(true);
    }
    EXPECT_TRUE(mixer->buffers.empty());
    EXPECT_TRUE(clock.sleeps.empty());
    EXPECT_EQ(clock.now, 0u);
}

TEST_F(SoundTest, StartErrorsThatAreNotDeviceErrorsReachTheLoader) {
    TDXSound orphan(nullptr, std::make_unique<FakeMixer>(clock));
    try {
        orphan.Loaded();
        FAIL() << "no exception";
    } catch (const EDXSoundError& e) {
        EXPECT_STREQ(e.what(), "Form not found");
    }
    EXPECT_FALSE(orphan.Initialized());
}

TEST_F(SoundTest, BufferErrorsAtStartAreDroppedAndRaisedByALaterPlay) {
    mixer->createFails = true;
    EXPECT_NO_THROW(sound->Loaded());
    EXPECT_TRUE(sound->Initialized()) << "the device itself opened";
    try {
        cue(2).Play(false);
        FAIL() << "no exception";
    } catch (const EDirectSoundBufferError& e) {
        EXPECT_STREQ(e.what(), "Sound Buffer cannot be made");
    }
    mixer->createFails = false;
    mixer->fillFails = true;
    try {
        cue(2).Play(false);
        FAIL() << "no exception";
    } catch (const EDirectSoundBufferError& e) {
        EXPECT_STREQ(e.what(), "Sound Buffer cannot be locked");
    }
    mixer->fillFails = false;
    cue(2).Play(false);  // the master is built at this play
    ASSERT_NE(cue(2).Master(), nullptr);
    ASSERT_EQ(cue(2).Copies().size(), 1u);
    EXPECT_TRUE(copyState(2, 0)->playing);
}

TEST_F(SoundTest, ALostBufferRebuildsEveryMasterAndIsNeverReused) {
    sound->Loaded();
    int restores = 0;
    sound->OnRestore = [&restores](TCustomDXSound*) { ++restores; };
    cue(1).Play(false);
    auto lostCopy = copyState(1, 0);
    const int oldMaster = masterState(1)->id;
    clock.now = 1000;  // ended long ago
    lostCopy->lost = true;
    cue(1).Play(false);  // the lost copy counts as busy: a new copy is made
    ASSERT_EQ(cue(1).Copies().size(), 2u);
    EXPECT_EQ(copyState(1, 1)->plays, 1);
    EXPECT_EQ(restores, 0) << "polling a lost copy does not rebuild anything";

    cue(1).Stop();  // stopping the lost copy reports the loss
    EXPECT_EQ(restores, 1);
    EXPECT_NE(masterState(1)->id, oldMaster);
    EXPECT_TRUE(masterState(1)->filled);
    EXPECT_EQ(mixer->masters().size(), 10u) << "all five masters made again";
    EXPECT_EQ(cue(1).Copies().size(), 2u) << "copies stay";
    cue(1).Play(false);
    EXPECT_EQ(cue(1).Copies().size(), 2u) << "the stopped good copy is reused";
    EXPECT_EQ(copyState(1, 1)->plays, 2);
}

TEST_F(SoundTest, LoopedPlaysTheMasterAndAChangeOfLoopedStopsIt) {
    sound->Loaded();
    TWaveCollectionItem& explosion = cue(0);
    explosion.setLooped(true);
    explosion.Play(true);  // Wait has no meaning for a looped cue
    auto master = masterState(0);
    EXPECT_TRUE(master->playing);
    EXPECT_TRUE(master->looping);
    EXPECT_TRUE(explosion.Copies().empty());
    EXPECT_TRUE(clock.sleeps.empty());
    clock.now = 60000;
    EXPECT_TRUE(mixer->sounding(*master));
    explosion.setLooped(false);
    EXPECT_FALSE(master->playing);
}

TEST_F(SoundTest, StopSilencesTheMasterAndEveryCopy) {
    sound->Loaded();
    cue(3).Play(false);
    cue(3).Play(false);
    cue(3).Stop();
    for (std::size_t k = 0; k < 2; ++k) EXPECT_FALSE(copyState(3, k)->playing);
    EXPECT_GE(masterState(3)->stops, 1);
    cue(3).Play(false);
    EXPECT_EQ(cue(3).Copies().size(), 2u) << "a stopped copy is free again";
}

TEST_F(SoundTest, IndexOutsideTheListRaises) {
    for (int index : {5, -1, 1000}) {
        try {
            list->Items[index];
            FAIL() << index;
        } catch (const EListError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "List index out of bounds (" + std::to_string(index) + ")");
        }
    }
    EXPECT_EQ(list->Items.Find(QStringLiteral("win")), &cue(4));
}

TEST_F(SoundTest, FinalisingFreesEveryBufferEvenWhenOnFinalizeRaises) {
    sound->Loaded();
    cue(0).Play(false);
    sound->OnFinalize = [](TCustomDXSound*) { throw Error("finalize failed"); };
    EXPECT_THROW(sound->Finalize(), Error);
    EXPECT_FALSE(sound->Initialized());
    EXPECT_EQ(mixer->closes, 1);
    for (const auto& b : mixer->buffers) EXPECT_FALSE(b->alive) << b->id;
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(cue(i).Initialized());
    cue(0).Play(true);  // closed again: returns at once
    EXPECT_TRUE(clock.sleeps.empty());
}

TEST_F(SoundTest, TheWaveListSurvivesTheSoundComponentAndTheOtherWayRound) {
    sound->Loaded();
    cue(0).Play(false);
    delete sound;
    EXPECT_EQ(list->DXSound(), nullptr);
    EXPECT_FALSE(cue(0).Initialized());
    cue(0).Play(true);
    delete list;  // nothing left to leave
}

TEST_F(SoundTest, AListBoundToAnOpenDeviceBuildsItsMastersAtOnce) {
    sound->Loaded();
    auto* late = new TDXWaveList(&form);
    TWaveCollectionItem& item = late->Items.Add();
    item.Wave.SetPCM(mono8(11025), std::vector<std::uint8_t>(100, 0x80));
    late->setDXSound(sound);
    EXPECT_TRUE(item.Initialized());
    EXPECT_NE(item.Master(), nullptr);
    item.Play(false);
    EXPECT_EQ(item.Copies().size(), 1u);
}

// The real mixer on SDL's dummy (or disk) driver: a cue plays to its end.
TEST(SdlSound, ACuePlaysToItsEndOnTheRealMixer) {
    testing::testApp();
    if (!std::getenv("SDL_AUDIODRIVER")) setenv("SDL_AUDIODRIVER", "dummy", 1);
    QWidget form;
    auto* sound = new TDXSound(&form);
    auto* list = new TDXWaveList(&form);
    list->setDXSound(sound);
    TWaveCollectionItem& item = list->Items.Add();
    // 300 ms of a square wave.
    std::vector<std::uint8_t> samples(3308);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = (i / 25) % 2 ? 0xC0 : 0x40;
    item.Wave.SetPCM(mono8(11025), samples);
    sound->Loaded();
    ASSERT_TRUE(sound->Initialized()) << "SDL's dummy driver opens";
    ASSERT_NE(item.Master(), nullptr);
    EXPECT_EQ(item.Master()->lengthMs(), 300u);

    item.Play(false);
    item.Play(false);
    ASSERT_EQ(item.Copies().size(), 2u);
    bool playing = false;
    ASSERT_EQ(item.Copies()[0]->status(playing), BufferResult::Ok);
    EXPECT_TRUE(playing);
    item.Stop();
    ASSERT_EQ(item.Copies()[0]->status(playing), BufferResult::Ok);
    EXPECT_FALSE(playing);

    const auto start = std::chrono::steady_clock::now();
    item.Play(true);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    ASSERT_EQ(item.Copies().size(), 2u) << "a stopped copy is reused";
    for (const auto& copy : item.Copies()) {
        ASSERT_EQ(copy->status(playing), BufferResult::Ok);
        EXPECT_FALSE(playing);
    }
    EXPECT_GE(ms, 250) << "the wait lasted for the sounding";
    EXPECT_LT(ms, 300 + 1000) << "the cue ended on its own, not by the wait's limit";
    delete sound;
    EXPECT_FALSE(item.Initialized());
}

// Context switches so far of the mixer's audio thread (SDL names it "SDLAudio..."); -1
// when there is no such thread.
long audioThreadSwitches() {
    namespace fs = std::filesystem;
    for (const auto& task : fs::directory_iterator("/proc/self/task")) {
        std::string name;
        std::getline(std::ifstream(task.path() / "comm"), name);
        if (!name.starts_with("SDLAudio")) continue;
        std::ifstream status(task.path() / "status");
        long total = 0;
        for (std::string line; std::getline(status, line);)
            if (line.find("ctxt_switches:") != std::string::npos)
                total += std::stol(line.substr(line.find(':') + 1));
        return total;
    }
    return -1;
}

// The audio thread sleeps while nothing sounds, instead of waking for every period of the
// device (43 times a second), and plays again at once.
TEST(SdlSound, TheAudioThreadSleepsWhileNothingSounds) {
    if (!std::getenv("SDL_AUDIODRIVER")) setenv("SDL_AUDIODRIVER", "dummy", 1);
    auto mixer = makeSdlAudioMixer();
    ASSERT_TRUE(mixer->open());
    auto buffer = mixer->createBuffer(mono8(11025), 11025);
    ASSERT_TRUE(buffer);
    ASSERT_TRUE(buffer->fill(std::vector<std::uint8_t>(11025, 0x90).data(), 11025));
    auto switchesOver = [](int ms) {
        const long before = audioThreadSwitches();
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return audioThreadSwitches() - before;
    };
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_GE(audioThreadSwitches(), 0) << "no audio thread";
    EXPECT_LE(switchesOver(500), 2) << "idle before any play";
    ASSERT_EQ(buffer->play(true), BufferResult::Ok);
    EXPECT_GE(switchesOver(500), 5) << "mixing while a voice loops";
    ASSERT_EQ(buffer->stop(), BufferResult::Ok);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_LE(switchesOver(500), 2) << "idle again after the stop";
    bool playing = false;
    ASSERT_EQ(buffer->rewind(), BufferResult::Ok);
    ASSERT_EQ(buffer->play(false), BufferResult::Ok);
    std::this_thread::sleep_for(std::chrono::milliseconds(1300));
    ASSERT_EQ(buffer->status(playing), BufferResult::Ok);
    EXPECT_FALSE(playing) << "a one-second sound has ended";
    mixer->close();
    EXPECT_EQ(buffer->status(playing), BufferResult::Failed);
}

// A buffer sounds at most a minute: longer ones are not made, so converting one to the
// device's rate never takes more than a minute of device audio, whatever the rate.
TEST(SdlSound, BuffersLongerThanAMinuteAreNotMade) {
    if (!std::getenv("SDL_AUDIODRIVER")) setenv("SDL_AUDIODRIVER", "dummy", 1);
    auto mixer = makeSdlAudioMixer();
    ASSERT_TRUE(mixer->open());
    EXPECT_FALSE(mixer->createBuffer(mono8(1000), 60001));
    EXPECT_FALSE(mixer->createBuffer(mono8(11025), 8u << 20));
    auto minute = mixer->createBuffer(mono8(1000), 60000);
    ASSERT_TRUE(minute);
    EXPECT_TRUE(minute->fill(std::vector<std::uint8_t>(60000, 0x80).data(), 60000));
    EXPECT_EQ(minute->lengthMs(), 60000u);
    auto copy = mixer->duplicate(*minute);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->play(false), BufferResult::Ok);
    bool playing = false;
    EXPECT_EQ(copy->status(playing), BufferResult::Ok);
    EXPECT_TRUE(playing);
}

}  // namespace
}  // namespace prismcrate
