#include "platform/clock/clock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform {
namespace {

TEST(VirtualClock, FiresEventsInTimeOrderWithTiesInSchedulingOrder) {
  VirtualClock clock;
  std::vector<std::string> fired;
  clock.scheduleAfter(300, [&] { fired.push_back("c@" + std::to_string(clock.now())); });
  clock.scheduleAfter(100, [&] { fired.push_back("a@" + std::to_string(clock.now())); });
  clock.scheduleAfter(100, [&] { fired.push_back("b@" + std::to_string(clock.now())); });
  clock.advance(250);
  EXPECT_EQ(fired, (std::vector<std::string>{"a@100", "b@100"}));
  EXPECT_EQ(clock.now(), 250);
  clock.sleepFor(50);
  EXPECT_EQ(fired.back(), "c@300");
  EXPECT_EQ(clock.pendingEvents(), 0u);
}

TEST(VirtualClock, EventScheduledByAnEventFiresInTheSameAdvanceWhenDue) {
  VirtualClock clock;
  std::vector<Millis> at;
  std::function<void()> tick = [&] {
    at.push_back(clock.now());
    if (at.size() < 4) clock.scheduleAfter(10, tick);
  };
  clock.scheduleAfter(10, tick);
  clock.advance(35);
  EXPECT_EQ(at, (std::vector<Millis>{10, 20, 30}));
  clock.runNext();
  EXPECT_EQ(at.back(), 40);
  EXPECT_FALSE(clock.runNext());
}

TEST(VirtualClock, CancelledEventNeverFiresAndTimeNeverGoesBack) {
  VirtualClock clock(1000);
  bool fired = false;
  auto id = clock.scheduleAt(500, [&] { fired = true; });  // in the past: due now
  EXPECT_EQ(clock.nextEventTime(), 1000);
  EXPECT_TRUE(clock.cancel(id));
  EXPECT_FALSE(clock.cancel(id));
  clock.advanceTo(10);
  EXPECT_EQ(clock.now(), 1000);
  clock.advance(5000);
  EXPECT_FALSE(fired);
  EXPECT_EQ(clock.wallSeconds(), 946684800 + 5);
}

TEST(RealClock, MovesForwardWhenSleeping) {
  RealClock clock;
  Millis before = clock.now();
  clock.sleepFor(5);
  EXPECT_GE(clock.now() - before, 5);
  EXPECT_GT(clock.wallSeconds(), 1600000000);
}

}  // namespace
}  // namespace platform
