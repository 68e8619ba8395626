#pragma once
// The real clock and pump: Qt's event loop, a blocking sleep and a monotonic time
// source. Timers are QTimers whose handlers run inside processMessages().

#include "link/platform/clock.h"

#include <QElapsedTimer>
#include <QTimer>

namespace zarvex {

// A repeating timer with the behaviour of the original timer component: switching it
// on restarts the interval, a new interval restarts a running timer, and an interval
// of 0 or less keeps it from firing (QTimer would fire on every pass of the loop).
class QtTimer : public Timer {
public:
    QtTimer(int intervalMs, bool enabled);
    void setEnabled(bool on) override;
    bool enabled() const override { return enabled_; }
    void setInterval(int ms) override;
    int interval() const override { return interval_; }

private:
    void restart();

    QTimer timer_;
    int interval_ = 0;
    bool enabled_ = false;
};

class QtClock : public Clock {
public:
    QtClock();
    void processMessages() override;
    void sleep(int ms) override;
    std::int64_t nowMs() const override;
    std::unique_ptr<Timer> createTimer(int intervalMs, bool enabled) override;

private:
    QElapsedTimer elapsed_;
};

} // namespace zarvex
