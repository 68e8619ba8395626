// The real clock: sleeping blocks without running events, pumping runs them, and the
// timers behave as the original timer component (an interval of 0 never fires).

#include "link/platform/qt_clock.h"
#include "platform_helpers.h"

#include <QMetaObject>
#include <QTimer>
#include <gtest/gtest.h>

namespace zarvex::test {
namespace {

TEST(QtClock, SleepBlocksWithoutEventsAndPumpRunsThem) {
    QtClock clock;
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });

    const std::int64_t before = clock.nowMs();
    clock.sleep(20);
    EXPECT_FALSE(ran) << "sleep must not run events";
    EXPECT_GE(clock.nowMs() - before, 20);

    EXPECT_TRUE(pumpUntil(clock, [&] { return ran; }));
}

TEST(QtTimer, FiresRepeatedlyUntilSwitchedOff) {
    QtClock clock;
    auto timer = clock.createTimer(5, true);
    timer->tag = 7;
    int fired = 0;
    timer->onTimer = [&] {
        EXPECT_EQ(timer->tag, 7);
        if (++fired == 3)
            timer->setEnabled(false); // switched off from its own handler
    };
    EXPECT_TRUE(pumpUntil(clock, [&] { return fired >= 3; }));
    EXPECT_FALSE(timer->enabled());
    pumpUntil(
        clock, [] { return false; }, 50);
    EXPECT_EQ(fired, 3);
}

TEST(QtTimer, AHandlerMayDestroyItsOwnTimer) {
    QtClock clock;
    std::unique_ptr<Timer> timer = clock.createTimer(1, true);
    int fired = 0;
    timer->onTimer = [&] {
        timer.reset();
        ++fired; // the handler still runs after its timer has gone
    };
    EXPECT_TRUE(pumpUntil(clock, [&] { return timer == nullptr; }));
    pumpUntil(
        clock, [] { return false; }, 20);
    EXPECT_EQ(fired, 1);
}

TEST(QtTimer, DoesNotFireWhileOffOrWithoutInterval) {
    QtClock clock;
    int fired = 0;
    auto off = clock.createTimer(1, false);
    auto zero = clock.createTimer(0, true);
    off->onTimer = [&] { ++fired; };
    zero->onTimer = [&] { ++fired; };

    off->setInterval(2); // a new interval must not switch a stopped timer on
    zero->setEnabled(true);
    EXPECT_TRUE(zero->enabled());
    EXPECT_EQ(off->interval(), 2);
    pumpUntil(
        clock, [] { return false; }, 50);
    EXPECT_EQ(fired, 0);

    zero->setInterval(1); // an interval makes the enabled timer run
    EXPECT_TRUE(pumpUntil(clock, [&] { return fired > 0; }));
}

} // namespace
} // namespace zarvex::test
