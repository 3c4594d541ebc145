#include <gtest/gtest.h>

#include <QDialog>
#include <QEventLoop>
#include <QMessageBox>
#include <QTimer>
#include <vector>

#include "fake_sound.h"
#include "media/dx_timer.h"
#include "platform/activation.h"
#include "platform/error.h"
#include "platform/error_box.h"
#include "platform/idle_slot.h"
#include "test_app.h"

namespace prismcrate {
namespace {

using testing::ClockGuard;
using testing::FakeClock;

struct Tick {
    std::uint32_t at;
    int lag;
};

// Idle passes are driven by hand: idle_slot::runOnce() is one pass of the event loop.
class TimerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::testApp();
        activation::setActive(true);
        idle_slot::clear();
    }
    void TearDown() override {
        idle_slot::clear();
        activation::setActive(true);
    }

    // A timer read from stored data as the main window's are: disabled, ActiveOnly false.
    std::unique_ptr<TDXTimer> loadTimer(int interval, std::vector<Tick>& ticks) {
        auto timer = std::make_unique<TDXTimer>();
        timer->BeginLoading();
        timer->setInterval(interval);
        timer->setEnabled(false);
        timer->setActiveOnly(false);
        timer->OnTimer = [this, &ticks](TCustomDXTimer*, int lag) {
            ticks.push_back({clock.now, lag});
        };
        timer->Loaded();
        return timer;
    }

    // One idle pass at each of the given times.
    void passesAt(std::initializer_list<std::uint32_t> times) {
        for (std::uint32_t t : times) {
            clock.now = t;
            idle_slot::runOnce();
        }
    }
    void passesEveryMs(std::uint32_t from, std::uint32_t to) {
        for (std::uint32_t t = from; t <= to; ++t) passesAt({t});
    }

    FakeClock clock;
    ClockGuard guard{&clock};
};

TEST_F(TimerTest, FirstTickAtTheFirstIdlePassAtLeastOneIntervalAfterEnabling) {
    std::vector<Tick> ticks;
    auto timer = loadTimer(10, ticks);
    EXPECT_FALSE(idle_slot::isFilled()) << "loaded disabled";
    clock.now = 1000;
    timer->setEnabled(true);
    passesAt({1000, 1005, 1009});
    EXPECT_TRUE(ticks.empty());
    passesAt({1010});
    ASSERT_EQ(ticks.size(), 1u);
    EXPECT_EQ(ticks[0].at, 1010u);
    EXPECT_EQ(ticks[0].lag, 1);
    // The next interval is measured from that tick; a late pass reports the lag.
    passesAt({1019, 1047});
    ASSERT_EQ(ticks.size(), 2u);
    EXPECT_EQ(ticks[1].at, 1047u);
    EXPECT_EQ(ticks[1].lag, 3);
}

TEST_F(TimerTest, TimeSpentInTheHandlerCountsAndIsNotCaughtUp) {
    std::vector<std::uint32_t> calls;
    std::vector<int> lags;
    std::vector<Tick> unused;
    auto timer = loadTimer(100, unused);
    timer->OnTimer = [&](TCustomDXTimer*, int lag) {
        calls.push_back(clock.now);
        lags.push_back(lag);
        clock.now += 250;  // a 250 ms handler
    };
    timer->setEnabled(true);
    passesAt({100});
    idle_slot::runOnce();  // straight after the handler: 250 ms have passed
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1], 350u);
    EXPECT_EQ(lags[0], 1);
    EXPECT_EQ(lags[1], 2);
}

TEST_F(TimerTest, IntervalZeroTicksOnEveryPassWithTheElapsedMilliseconds) {
    std::vector<Tick> ticks;
    auto timer = loadTimer(-5, ticks);
    EXPECT_EQ(timer->Interval(), 0);
    clock.now = 50;
    timer->setEnabled(true);
    passesAt({50, 50, 57, 1057});
    ASSERT_EQ(ticks.size(), 4u);
    EXPECT_EQ(ticks[0].lag, 1);
    EXPECT_EQ(ticks[1].lag, 1);
    EXPECT_EQ(ticks[2].lag, 7);
    EXPECT_EQ(ticks[3].lag, 1000);
}

TEST_F(TimerTest, TheClockWrapDoesNoHarm) {
    std::vector<Tick> ticks;
    auto timer = loadTimer(0, ticks);
    clock.now = 4294967290u;
    timer->setEnabled(true);
    passesAt({5});
    ASSERT_EQ(ticks.size(), 1u);
    EXPECT_EQ(ticks[0].lag, 11);

    std::vector<Tick> tens;
    auto ten = loadTimer(10, tens);
    clock.now = 4294967290u;
    ten->setEnabled(true);
    passesAt({2, 3});
    EXPECT_TRUE(tens.empty()) << "9 ms across the wrap";
    passesAt({4});
    ASSERT_EQ(tens.size(), 1u);
    EXPECT_EQ(tens[0].lag, 1);
}

TEST_F(TimerTest, OneSlotForAllTimersAndNoTimerLosesItsTurn) {
    // The chooser's confirmation: the loading pass sets off a bomb (the blast redraw
    // timer starts), then the chooser's own redraw timer starts and stops.
    std::vector<Tick> ticks1, ticks3;
    auto timer1 = loadTimer(100, ticks1);
    auto timer3 = loadTimer(10, ticks3);
    timer1->setEnabled(true);
    timer3->setEnabled(true);  // takes the slot
    passesAt({20});
    EXPECT_TRUE(ticks1.empty());
    EXPECT_EQ(ticks3.size(), 1u);
    timer3->setEnabled(false);  // hands the slot back
    EXPECT_EQ(idle_slot::owner(), timer1.get());
    passesAt({99});
    EXPECT_TRUE(ticks1.empty()) << "its interval counts from its own start";
    passesAt({100});
    ASSERT_EQ(ticks1.size(), 1u);
    EXPECT_EQ(ticks1[0].lag, 1);
    timer1->setEnabled(false);
    EXPECT_FALSE(idle_slot::isFilled());

    // Three deep: each stop gives the slot to the timer started before; stopping a
    // waiting timer leaves the slot where it is.
    std::vector<Tick> ticksA, ticksB, ticksC;
    auto a = loadTimer(10, ticksA);
    auto b = loadTimer(10, ticksB);
    auto c = loadTimer(10, ticksC);
    clock.now = 1000;
    a->setEnabled(true);
    b->setEnabled(true);
    c->setEnabled(true);
    b->setEnabled(false);
    EXPECT_EQ(idle_slot::owner(), c.get());
    b->setEnabled(true);  // takes the slot again
    passesAt({1010});
    EXPECT_EQ(ticksB.size(), 1u);
    b->setEnabled(false);
    passesAt({1020});
    EXPECT_EQ(ticksC.size(), 1u);
    c->setEnabled(false);
    passesAt({1030});
    EXPECT_EQ(ticksA.size(), 1u);
    a->setEnabled(false);
    EXPECT_FALSE(idle_slot::isFilled());
}

TEST_F(TimerTest, ActiveOnlyPausesWhileInactiveAndResumesWithoutABurst) {
    std::vector<Tick> ticks;
    std::vector<std::string> notices;
    auto timer = loadTimer(100, ticks);
    timer->setActiveOnly(true);
    timer->OnActivate = [&](TCustomDXTimer*) { notices.push_back("activate"); };
    timer->OnDeactivate = [&](TCustomDXTimer*) { notices.push_back("deactivate"); };
    timer->setEnabled(true);
    passesAt({100});
    ASSERT_EQ(ticks.size(), 1u);
    clock.now = 150;
    activation::setActive(false);
    passesAt({200, 500, 5000});
    EXPECT_EQ(ticks.size(), 1u);
    clock.now = 5000;
    activation::setActive(true);
    passesAt({5050, 5099});
    EXPECT_EQ(ticks.size(), 1u) << "a fresh measurement starts at activation";
    passesAt({5100});
    ASSERT_EQ(ticks.size(), 2u);
    EXPECT_EQ(ticks[1].lag, 1) << "no burst of lag";
    EXPECT_EQ(notices, (std::vector<std::string>{"deactivate", "activate"}));

    // With ActiveOnly false ticks go on in the background.
    timer->setActiveOnly(false);
    activation::setActive(false);
    passesAt({5200, 5300});
    EXPECT_EQ(ticks.size(), 4u);
}

TEST_F(TimerTest, AnActiveOnlyTimerStartedWhileInactiveWaitsForActivation) {
    std::vector<Tick> ticks;
    auto timer = loadTimer(10, ticks);
    timer->setActiveOnly(true);
    activation::setActive(false);
    timer->setEnabled(true);
    EXPECT_TRUE(timer->Running());
    EXPECT_FALSE(idle_slot::isFilled());
    clock.now = 100;
    activation::setActive(true);
    passesAt({105, 110});
    ASSERT_EQ(ticks.size(), 1u);
    EXPECT_EQ(ticks[0].at, 110u);
}

TEST_F(TimerTest, LoadingStartsAnEnabledTimerOnlyAtTheEnd) {
    std::vector<Tick> ticks;
    TDXTimer timer;
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000);
    EXPECT_TRUE(timer.ActiveOnly());
    timer.BeginLoading();
    timer.setEnabled(false);
    timer.setEnabled(true);
    timer.setInterval(10);
    timer.setActiveOnly(false);
    timer.OnTimer = [&](TCustomDXTimer*, int lag) { ticks.push_back({clock.now, lag}); };
    EXPECT_FALSE(idle_slot::isFilled());
    clock.now = 30;
    timer.Loaded();
    EXPECT_TRUE(idle_slot::isFilled());
    passesAt({39, 40});
    ASSERT_EQ(ticks.size(), 1u);
    EXPECT_EQ(ticks[0].at, 40u);
}

TEST_F(TimerTest, FrameRateIsMeasuredOverSpansOfASecondRoundedHalfToEven) {
    std::vector<Tick> ticks;
    auto timer = loadTimer(0, ticks);
    timer->setEnabled(true);
    passesAt({100, 200, 300, 400});
    EXPECT_EQ(timer->FrameRate(), 0);
    passesAt({2000});  // 5 ticks in 2000 ms: 2.5
    EXPECT_EQ(timer->FrameRate(), 2);
    passesAt({2100, 2200, 2300, 2400, 2500, 2600, 4000});  // 7 in 2000 ms: 3.5
    EXPECT_EQ(timer->FrameRate(), 4);
    EXPECT_EQ(roundHalfEven(5, 2), 2);
    EXPECT_EQ(roundHalfEven(7, 2), 4);
    EXPECT_EQ(roundHalfEven(10, 4), 2);
    EXPECT_EQ(roundHalfEven(11, 4), 3);
}

TEST_F(TimerTest, AnExceptionFromOnTimerIsShownAndTheTimerKeepsTicking) {
    QStringList shown;
    const ErrorBoxSink previous = setErrorBoxSink([&](const QString& text) { shown << text; });
    int calls = 0;
    std::vector<Tick> ticks;
    auto timer = loadTimer(10, ticks);
    timer->OnTimer = [&](TCustomDXTimer*, int) {
        if (++calls == 1) throw EFOpenError("levels/a.lev");
    };
    timer->setEnabled(true);
    passesAt({10, 20});
    setErrorBoxSink(previous);
    EXPECT_EQ(shown, QStringList{QStringLiteral("Cannot open file levels/a.lev.")});
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(idle_slot::isFilled());
}

TEST_F(TimerTest, AFailingTickDoesNotStackErrorBoxes) {
    int boxes = 0;
    int depth = 0;
    int deepest = 0;
    const ErrorBoxSink previous = setErrorBoxSink([&](const QString&) {
        ++boxes;
        ++depth;
        deepest = std::max(deepest, depth);
        // The box's own loop goes on giving idle passes.
        for (int i = 0; i < 5; ++i) {
            clock.now += 20;
            idle_slot::runOnce();
        }
        --depth;
    });
    std::vector<Tick> ticks;
    auto timer = loadTimer(10, ticks);
    timer->OnTimer = [](TCustomDXTimer*, int) { throw Error("always"); };
    timer->setEnabled(true);
    passesAt({10, 40});
    setErrorBoxSink(previous);
    EXPECT_EQ(boxes, 2);
    EXPECT_EQ(deepest, 1);
}

TEST_F(TimerTest, DestroyingARunningTimerEmptiesTheSlot) {
    std::vector<Tick> ticks;
    auto timer = loadTimer(10, ticks);
    timer->setEnabled(true);
    ASSERT_TRUE(idle_slot::isFilled());
    timer.reset();
    EXPECT_FALSE(idle_slot::isFilled());
    EXPECT_FALSE(idle_slot::runOnce());
}

// The real event loop: ticks arrive between events, also inside the loop of a modal
// dialog that the tick handler itself opened, re-entering the handler there.
TEST(TimerEventLoop, ATickReentersTheHandlerInsideAModalDialog) {
    testing::testApp();
    idle_slot::clear();
    TDXTimer timer;
    timer.BeginLoading();
    timer.setInterval(10);
    timer.setEnabled(false);
    timer.setActiveOnly(false);
    int calls = 0;
    int depth = 0;
    bool reenteredInsideDialog = false;
    bool firstReturned = false;
    QDialog* dialog = nullptr;
    timer.OnTimer = [&](TCustomDXTimer* sender, int) {
        ++calls;
        ++depth;
        if (dialog == nullptr) {
            QDialog box;
            dialog = &box;
            QTimer::singleShot(5000, &box, &QDialog::reject);  // guard
            box.exec();
            dialog = nullptr;
            sender->setEnabled(false);  // disabled already by the second call
            firstReturned = true;
        } else {
            reenteredInsideDialog = depth == 2 && dialog->isVisible();
            sender->setEnabled(false);
            dialog->accept();
        }
        --depth;
    };
    timer.Loaded();
    timer.setEnabled(true);
    QEventLoop loop;
    QTimer::singleShot(6000, &loop, &QEventLoop::quit);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (firstReturned) loop.quit();
    });
    poll.start(5);
    loop.exec();
    EXPECT_TRUE(firstReturned);
    EXPECT_TRUE(reenteredInsideDialog);
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(timer.Enabled());
    EXPECT_FALSE(idle_slot::isFilled());
}

TEST(TimerEventLoop, TicksGoOnInsideAMessageBox) {
    testing::testApp();
    idle_slot::clear();
    TDXTimer timer;
    timer.BeginLoading();
    timer.setInterval(0);
    timer.setActiveOnly(false);
    int ticksInBox = 0;
    bool done = false;
    QMessageBox* box = nullptr;
    timer.OnTimer = [&](TCustomDXTimer*, int) {
        if (done) return;
        if (box) {
            if (++ticksInBox == 3) box->accept();
            return;
        }
        QMessageBox message(QMessageBox::Information, QStringLiteral("t"), QStringLiteral("t"));
        box = &message;
        QTimer::singleShot(5000, &message, &QMessageBox::reject);  // guard
        message.exec();
        box = nullptr;
        done = true;
    };
    timer.Loaded();
    QEventLoop loop;
    QTimer::singleShot(6000, &loop, &QEventLoop::quit);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done) loop.quit();
    });
    poll.start(5);
    loop.exec();
    timer.setEnabled(false);
    EXPECT_TRUE(done);
    EXPECT_EQ(ticksInBox, 3);
}

}  // namespace
}  // namespace prismcrate
