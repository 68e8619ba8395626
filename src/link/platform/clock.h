#pragma once
// The pump-and-sleep seam. Every "pump pending window messages" goes through
// processMessages() and every blocking sleep through sleep(), so that tests can run a
// 22-second wait in virtual time and check exactly what was waited.

#include <cstdint>
#include <functional>
#include <memory>

namespace zarvex {

// A repeating timer whose handler runs on the UI thread, inside a pump.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void setEnabled(bool on) = 0;
    virtual bool enabled() const = 0;
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;

    int tag = 0;
    std::function<void()> onTimer;
};

class Clock {
public:
    virtual ~Clock() = default;
    // Runs pending events: link data, socket events, timers, operator input.
    virtual void processMessages() = 0;
    // Blocks without running events.
    virtual void sleep(int ms) = 0;
    // Monotonic milliseconds.
    virtual std::int64_t nowMs() const = 0;
    virtual std::unique_ptr<Timer> createTimer(int intervalMs, bool enabled) = 0;
};

} // namespace zarvex
