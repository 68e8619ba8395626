#pragma once
// Virtual time for fast tests: sleeps advance the clock at once and are recorded, pumps
// fire due timers and let the fakes deliver what the unit has sent.

#include "link/platform/clock.h"

#include <functional>
#include <string>
#include <vector>

namespace zarvex::test {

class RecordingClock : public Clock {
public:
    void processMessages() override;
    void sleep(int ms) override;
    std::int64_t nowMs() const override { return now_; }
    std::unique_ptr<Timer> createTimer(int intervalMs, bool enabled) override;

    // Hooks run on every pump, before the timers (the fakes deliver link events here).
    std::vector<std::function<void()>> onPump;

    // What was waited: every sleep of more than 1 ms in order, and totals.
    std::vector<int> longSleeps;
    long sleepCalls = 0;
    long oneMsSleeps = 0;
    long pumps = 0;
    // Sleeps longer than 1 ms with the virtual time at which each began.
    std::string sleepTrace() const;

    void advance(int ms) { now_ += ms; }

private:
    class VirtualTimer;
    friend class VirtualTimer;
    std::int64_t now_ = 0;
    std::vector<VirtualTimer*> timers_;
};

} // namespace zarvex::test
