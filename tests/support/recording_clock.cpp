#include "support/recording_clock.h"

#include <algorithm>

namespace zarvex::test {

class RecordingClock::VirtualTimer : public Timer {
public:
    VirtualTimer(RecordingClock& clock, int interval, bool on) : clock_(clock), interval_(interval) {
        clock_.timers_.push_back(this);
        setEnabled(on);
    }
    ~VirtualTimer() override {
        auto& t = clock_.timers_;
        t.erase(std::remove(t.begin(), t.end(), this), t.end());
    }
    void setEnabled(bool on) override {
        enabled_ = on;
        if (on)
            due_ = clock_.now_ + interval_;
    }
    bool enabled() const override { return enabled_; }
    void setInterval(int ms) override {
        interval_ = ms;
        if (enabled_)
            due_ = clock_.now_ + interval_;
    }
    int interval() const override { return interval_; }

    bool fireIfDue() {
        if (!enabled_ || clock_.now_ < due_)
            return false;
        due_ = clock_.now_ + interval_;
        if (onTimer)
            onTimer();
        return true;
    }

private:
    RecordingClock& clock_;
    int interval_;
    bool enabled_ = false;
    std::int64_t due_ = 0;
};

void RecordingClock::processMessages() {
    ++pumps;
    // Handlers pump again (modal waits, nested exchanges); deliver on every level but
    // never re-enter the same timer from inside its own handler.
    for (auto& hook : onPump)
        hook();
    const std::vector<VirtualTimer*> snapshot = timers_;
    for (VirtualTimer* t : snapshot)
        if (std::find(timers_.begin(), timers_.end(), t) != timers_.end())
            t->fireIfDue();
}

void RecordingClock::sleep(int ms) {
    ++sleepCalls;
    if (ms == 1)
        ++oneMsSleeps;
    else
        longSleeps.push_back(ms);
    now_ += std::max(ms, 0);
}

std::unique_ptr<Timer> RecordingClock::createTimer(int intervalMs, bool enabled) {
    return std::make_unique<VirtualTimer>(*this, intervalMs, enabled);
}

std::string RecordingClock::sleepTrace() const {
    std::string out;
    for (int ms : longSleeps)
        out += (out.empty() ? "" : " ") + std::to_string(ms);
    return out;
}

} // namespace zarvex::test
