#include "base/VirtualClock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zr48 {
namespace {

class VirtualClockTest : public testing::Test {
protected:
    // A timer whose expiries are logged as "name@time".
    std::unique_ptr<Timer> logged(const std::string& name, bool singleShot = false)
    {
        auto timer = clock.create(singleShot);
        timer->onTimeout = [this, name] { log.push_back(name + "@" + std::to_string(clock.now())); };
        return timer;
    }

    VirtualClock clock;
    std::vector<std::string> log;
};

TEST_F(VirtualClockTest, FiresDueTimersInTimeOrder)
{
    auto slow = logged("slow");
    auto fast = logged("fast");
    slow->start(300);
    fast->start(200);
    clock.advance(650);
    EXPECT_EQ(log, (std::vector<std::string>{"fast@200", "slow@300", "fast@400", "slow@600", "fast@600"}));
    EXPECT_EQ(clock.now(), 650);
}

TEST_F(VirtualClockTest, TimersDueTogetherFireInTheOrderTheyWereStarted)
{
    auto b = logged("b");
    auto a = logged("a");
    b->start(100);
    a->start(100);
    clock.advance(100);
    EXPECT_EQ(log, (std::vector<std::string>{"b@100", "a@100"}));
}

TEST_F(VirtualClockTest, RestartCountsAgainFromNow)
{
    auto watchdog = logged("watchdog");
    watchdog->start(200);
    clock.advance(150);
    watchdog->restart();
    clock.advance(150);
    EXPECT_TRUE(log.empty());
    clock.advance(50);
    EXPECT_EQ(log, (std::vector<std::string>{"watchdog@350"}));
    EXPECT_EQ(watchdog->interval(), 200);
}

TEST_F(VirtualClockTest, SingleShotFiresOnceAndIsInactiveInItsHandler)
{
    auto once = clock.create(true);
    int fired = 0;
    bool activeInHandler = true;
    once->onTimeout = [&] {
        ++fired;
        activeInHandler = once->active();
    };
    once->start(300);
    EXPECT_TRUE(once->active());
    clock.advance(1000);
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(activeInHandler);
    EXPECT_FALSE(once->active());
}

TEST_F(VirtualClockTest, StoppedAndDestroyedTimersNeverFire)
{
    auto stopped = logged("stopped");
    auto destroyed = logged("destroyed");
    stopped->start(10);
    destroyed->start(10);
    stopped->stop();
    destroyed.reset();
    EXPECT_FALSE(stopped->active());
    clock.advance(100);
    EXPECT_TRUE(log.empty());
}

TEST_F(VirtualClockTest, HandlersMayStartAndStopOtherTimers)
{
    auto second = logged("second", true);
    auto first = clock.create(true);
    first->onTimeout = [&] {
        log.push_back("first@" + std::to_string(clock.now()));
        second->start(50);
    };
    auto periodic = logged("periodic");
    periodic->start(100);
    first->start(100);
    // A handler stopping a timer that is due at the same moment keeps it from firing.
    auto victim = logged("victim");
    auto killer = clock.create(true);
    killer->onTimeout = [&] { victim->stop(); };
    killer->start(120);
    victim->start(120);
    clock.advance(160);
    EXPECT_EQ(log, (std::vector<std::string>{"periodic@100", "first@100", "second@150"}));
}

TEST_F(VirtualClockTest, AdvanceUntilStopsAtTheFirstMomentTheConditionHolds)
{
    auto tick = clock.create();
    int ticks = 0;
    tick->onTimeout = [&] { ++ticks; };
    tick->start(500);
    EXPECT_TRUE(clock.advanceUntil([&] { return ticks == 3; }, 10'000));
    EXPECT_EQ(clock.now(), 1500);
    EXPECT_FALSE(clock.advanceUntil([&] { return ticks == 100; }, 1000));
    EXPECT_EQ(clock.now(), 2500);
}

TEST_F(VirtualClockTest, AHandlerThatLetsTimePassKeepsEveryTimerRunningAndTimeNeverGoesBack)
{
    // As a message box opened in a handler does: 1,000 ms pass inside the handler at 100 ms.
    auto periodic = logged("periodic");
    periodic->start(300);
    auto message = clock.create(true);
    message->onTimeout = [&] {
        log.push_back("open@" + std::to_string(clock.now()));
        clock.advance(1000);
        log.push_back("close@" + std::to_string(clock.now()));
    };
    message->start(100);
    clock.advance(200);
    EXPECT_EQ(log,
              (std::vector<std::string>{"open@100", "periodic@300", "periodic@600", "periodic@900", "close@1100"}));
    EXPECT_EQ(clock.now(), 1100);
    clock.advance(100);
    EXPECT_EQ(log.back(), "periodic@1200");

    // The same inside advanceUntil.
    message->start(50);
    EXPECT_FALSE(clock.advanceUntil([] { return false; }, 100));
    EXPECT_EQ(clock.now(), 2250);
}

TEST_F(VirtualClockTest, ScheduledWorkRunsOnceAtItsTime)
{
    std::vector<std::int64_t> at;
    clock.schedule(30, [&] { at.push_back(clock.now()); });
    clock.schedule(0, [&] {
        at.push_back(clock.now());
        clock.schedule(5, [&] { at.push_back(clock.now()); });
    });
    clock.advance(100);
    EXPECT_EQ(at, (std::vector<std::int64_t>{0, 5, 30}));
    EXPECT_FALSE(clock.nextDue().has_value());
}

} // namespace
} // namespace zr48
