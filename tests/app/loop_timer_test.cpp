#include "app/loop_timer.h"

#include <gtest/gtest.h>

#include <chrono>

namespace monitor {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

class LoopTimerTest : public ::testing::Test {
  protected:
    LoopTimerTest() {
        timer.OnTick([this] { ++ticks; });
        timer.SetInterval(seconds(60));
    }
    void Advance(seconds d) { now += d; }
    LoopTimer::TimePoint At(long long s) const { return LoopTimer::TimePoint{} + seconds(s); }

    LoopTimer::TimePoint now{};
    LoopTimer timer{[this] { return now; }};
    int ticks = 0;
};

TEST_F(LoopTimerTest, SwitchingOnFromOffRestartsTheCountdownButNotWhenAlreadyOn) {
    EXPECT_FALSE(timer.Enabled());
    EXPECT_FALSE(timer.FireIfDue());
    timer.SetEnabled(true);
    Advance(seconds(40));
    timer.SetEnabled(true);
    timer.SetInterval(seconds(60));
    EXPECT_EQ(timer.NextTick(), At(60)) << "same state and interval leave it alone";
    timer.SetEnabled(false);
    timer.SetEnabled(true);
    EXPECT_EQ(timer.NextTick(), At(100)) << "off and on counts a full minute again";
    timer.SetInterval(seconds(30));
    EXPECT_EQ(timer.NextTick(), At(70)) << "a new interval restarts the countdown";
}

TEST_F(LoopTimerTest, TicksOncePerIntervalAndMissedTicksDoNotPileUp) {
    timer.SetEnabled(true);
    Advance(seconds(59));
    EXPECT_FALSE(timer.FireIfDue());
    Advance(seconds(1));
    EXPECT_TRUE(timer.FireIfDue());
    EXPECT_FALSE(timer.FireIfDue());
    EXPECT_EQ(timer.NextTick(), At(120));

    // A tick that takes five minutes: one tick comes at once after it, then a minute apart.
    timer.OnTick([this] {
        ++ticks;
        if (ticks == 2) Advance(seconds(300));
    });
    Advance(seconds(60));
    EXPECT_TRUE(timer.FireIfDue());
    EXPECT_TRUE(timer.FireIfDue());
    EXPECT_FALSE(timer.FireIfDue());
    EXPECT_EQ(timer.NextTick(), At(480));
    EXPECT_EQ(ticks, 3);
}

TEST_F(LoopTimerTest, ATickThatSwitchesTheTimerOffAndOnKeepsItsFreshCountdown) {
    timer.OnTick([this] {
        timer.SetEnabled(false);
        Advance(seconds(25));
        timer.SetEnabled(true);
        Advance(seconds(10));
    });
    timer.SetEnabled(true);
    Advance(seconds(60));
    EXPECT_TRUE(timer.FireIfDue());
    EXPECT_EQ(timer.NextTick(), At(145));
}

}  // namespace
}  // namespace monitor
