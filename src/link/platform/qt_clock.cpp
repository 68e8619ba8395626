#include "link/platform/qt_clock.h"

#include <QCoreApplication>
#include <QThread>

namespace zarvex {

QtTimer::QtTimer(int intervalMs, bool enabled) : interval_(intervalMs), enabled_(enabled) {
    timer_.setSingleShot(false);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
        // A copy runs, so that a handler may replace itself or destroy its timer.
        if (auto handler = onTimer)
            handler();
    });
    restart();
}

void QtTimer::setEnabled(bool on) {
    enabled_ = on;
    restart();
}

void QtTimer::setInterval(int ms) {
    interval_ = ms;
    restart();
}

void QtTimer::restart() {
    if (enabled_ && interval_ > 0)
        timer_.start(interval_); // start() on a running QTimer restarts the interval
    else
        timer_.stop();
}

QtClock::QtClock() {
    elapsed_.start();
}

void QtClock::processMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtClock::sleep(int ms) {
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

std::int64_t QtClock::nowMs() const {
    return elapsed_.elapsed();
}

std::unique_ptr<Timer> QtClock::createTimer(int intervalMs, bool enabled) {
    return std::make_unique<QtTimer>(intervalMs, enabled);
}

} // namespace zarvex
