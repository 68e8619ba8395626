#include "platform_helpers.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace zarvex::test {

bool pumpUntil(QtClock& clock, const std::function<bool()>& done, int boundMs) {
    const std::int64_t deadline = clock.nowMs() + boundMs;
    while (!done()) {
        if (clock.nowMs() >= deadline)
            return done();
        clock.processMessages();
        clock.sleep(1);
    }
    return true;
}

ScopedEnv::ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (qEnvironmentVariableIsSet(name))
        saved_ = qgetenv(name);
    if (value)
        qputenv(name, QByteArray::fromStdString(*value));
    else
        qunsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    if (saved_)
        qputenv(name_.constData(), *saved_);
    else
        qunsetenv(name_.constData());
}

Pty::Pty() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        ADD_FAILURE() << "cannot make a pseudo-terminal, errno " << errno;
        return;
    }
    char name[128] = {};
    if (::ptsname_r(master_, name, sizeof name) != 0) {
        ADD_FAILURE() << "ptsname_r failed, errno " << errno;
        return;
    }
    slave_ = name;
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
}

Pty::~Pty() {
    closeMaster();
}

void Pty::closeMaster() {
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

void Pty::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(master_, bytes.data(), bytes.size());
        if (n < 0) {
            ADD_FAILURE() << "write to the pty master failed, errno " << errno;
            return;
        }
        bytes.remove_prefix(std::size_t(n));
    }
}

std::string Pty::readAvailable() {
    std::string out;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0)
            return out; // EAGAIN: nothing more now; EIO: the slave is not open
        out.append(buf, std::size_t(n));
    }
}

std::string Pty::read(QtClock& clock, std::size_t count, int boundMs) {
    std::string out;
    pumpUntil(
        clock,
        [&] {
            out += readAvailable();
            return out.size() >= count;
        },
        boundMs);
    return out;
}

} // namespace zarvex::test
