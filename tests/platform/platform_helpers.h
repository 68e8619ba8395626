#pragma once
// Helpers for the platform integration tests: a pseudo-terminal made in the test, a
// scoped environment variable and a bounded wait that pumps the real event loop.

#include "link/platform/qt_clock.h"

#include <QByteArray>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zarvex::test {

// Pumps and sleeps 1 ms until `done` holds or `boundMs` have passed; returns `done()`.
bool pumpUntil(QtClock& clock, const std::function<bool()>& done, int boundMs = 5000);

// Sets (or, with nullopt, removes) an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    QByteArray name_;
    std::optional<QByteArray> saved_;
};

// A pseudo-terminal: the test holds the master, the port under test opens the slave.
class Pty {
public:
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    const std::string& slavePath() const { return slave_; }
    int masterFd() const { return master_; }
    void write(std::string_view bytes);
    // Whatever the port has sent so far, without waiting.
    std::string readAvailable();
    // Pumps until `count` bytes have arrived on the master or `boundMs` have passed.
    std::string read(QtClock& clock, std::size_t count, int boundMs = 5000);
    // The other end goes away, as an unplugged adapter does.
    void closeMaster();

private:
    int master_ = -1;
    std::string slave_;
};

} // namespace zarvex::test
