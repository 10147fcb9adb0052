#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/RunLoop.h"

using platform::RunLoop;
using platform::Timer;

namespace {

class RunLoopTest : public ::testing::Test {
 protected:
  void SetUp() override { loop.useManualClock(); }
  RunLoop loop;
};

TEST_F(RunLoopTest, TimersMeetingAtOneInstantFireInSchedulingOrder) {
  std::vector<std::string> events;
  auto refresh = Timer::timerWithTimeInterval(0.25, [&](Timer&) { events.push_back("R"); });
  auto read = Timer::timerWithTimeInterval(0.1, [&](Timer&) { events.push_back("r"); });
  loop.addTimer(read);
  loop.addTimer(refresh);
  loop.advanceBy(0.5);
  // 0.1 0.2 0.25 0.3 0.4 0.5(read first: scheduled first) 0.5(refresh)
  EXPECT_EQ((std::vector<std::string>{"r", "r", "R", "r", "r", "r", "R"}), events);
}

TEST_F(RunLoopTest, TenMinutesOfRefreshesRunExactly) {
  int fired = 0;
  auto t = Timer::timerWithTimeInterval(0.25, [&](Timer&) { ++fired; });
  loop.addTimer(t);
  loop.advanceBy(600.0);
  EXPECT_EQ(2400, fired);
  EXPECT_EQ(600 * platform::kNanosPerSecond, loop.now());
}

TEST_F(RunLoopTest, InvalidateStopsTheTimerAndReleasesItsUserData) {
  auto data = std::make_shared<int>(7);
  std::weak_ptr<int> watch = data;
  int fired = 0;
  auto t = Timer::timerWithTimeInterval(
      0.1,
      [&](Timer& self) {
        if (++fired == 3) self.invalidate();
      },
      data);
  data.reset();
  loop.addTimer(t);
  EXPECT_FALSE(watch.expired()) << "the timer keeps its user data alive";
  loop.advanceBy(1.0);
  EXPECT_EQ(3, fired);
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(0u, loop.timerCount());
  EXPECT_FALSE(loop.nextFireTime().has_value());
}

TEST(RunLoopClockSwitchTest, ScheduledTimersKeepTheirTimeLeftAcrossAClockChange) {
  RunLoop loop;  // on the real clock
  int fired = 0;
  loop.addTimer(Timer::timerWithTimeInterval(0.25, [&](Timer&) { ++fired; }));
  loop.useManualClock();
  ASSERT_TRUE(loop.nextFireTime().has_value());
  EXPECT_LE(*loop.nextFireTime(), platform::secondsToNanos(0.25));
  loop.advanceBy(1.0);
  EXPECT_EQ(4, fired);
}

TEST(RunLoopRealClockTest, LateRepeatingTimerFiresOnceAndKeepsItsCadence) {
  RunLoop loop;
  auto& clock = loop.useManualClock();
  int fired = 0;
  auto t = Timer::timerWithTimeInterval(0.25, [&](Timer&) { ++fired; });
  loop.addTimer(t);
  clock.set(platform::secondsToNanos(1.1));  // the main thread stalled
  EXPECT_EQ(1, loop.fireDueTimers());
  EXPECT_EQ(platform::secondsToNanos(1.25), *loop.nextFireTime());
}

}  // namespace
