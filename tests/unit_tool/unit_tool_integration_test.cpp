// The real zarvex-unit executable on a pseudo-terminal and on loopback TCP: a whole load, a link
// that comes back, and a link the unit drops. Every wait is bounded, and the tool has --timeout.

#include "unit_model.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::seconds(15); // a bound against hangs, never a measurement

std::string unitPath() {
    if (const char* env = std::getenv("ZARVEX_UNIT"); env != nullptr && *env != '\0') {
        return env;
    }
#ifdef ZARVEX_UNIT_PATH
    return ZARVEX_UNIT_PATH;
#else
    return {};
#endif
}

// Waits up to the deadline for fd to become ready; false on time-out.
bool waitReady(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return false;
        }
        pollfd p{fd, events, 0};
        const int r = poll(&p, 1, static_cast<int>(std::min<long long>(left, 1000)));
        if (r > 0) {
            return true;
        }
        if (r < 0 && errno != EINTR) {
            return false;
        }
    }
}

// The running tool: its stdout's first line, and a bounded way to end it.
class UnitProcess {
public:
    ~UnitProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) {
            close(out_);
        }
    }

    // `withStderr`: the tool's stderr joins its stdout, to read its messages.
    bool start(const std::vector<std::string>& args, std::string& error, bool withStderr = false) {
        int pipeFds[2];
        if (pipe2(pipeFds, O_CLOEXEC) != 0) {
            error = std::strerror(errno);
            return false;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        if (withStderr) {
            posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
        }
        std::vector<std::string> all{unitPath()};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        const int rc = posix_spawn(&pid_, all[0].c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(pipeFds[1]);
        out_ = pipeFds[0];
        if (rc != 0) {
            pid_ = -1;
            error = "cannot start " + all[0] + ": " + std::strerror(rc);
            return false;
        }
        return true;
    }

    std::string firstLine() {
        std::string line;
        const auto deadline = Clock::now() + kPatience;
        char c;
        while (waitReady(out_, POLLIN, deadline) && read(out_, &c, 1) == 1 && c != '\n') {
            line += c;
        }
        return line;
    }

    // The exit status, or nullopt if it did not end in time (it is then killed).
    std::optional<int> waitExit() {
        const auto deadline = Clock::now() + kPatience;
        while (Clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return std::nullopt;
    }

    void terminate() { kill(pid_, SIGTERM); }

private:
    pid_t pid_ = -1;
    int out_ = -1;
};

// One end of a link to the tool: a pty slave or a TCP socket.
class Peer {
public:
    ~Peer() { hangUp(); }

    bool openTty(const std::string& path) {
        fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios t{};
        if (fd_ < 0 || tcgetattr(fd_, &t) != 0) {
            return false;
        }
        cfmakeraw(&t);
        return tcsetattr(fd_, TCSANOW, &t) == 0;
    }

    bool connectTcp(int port) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<std::uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }

    bool send(std::string_view bytes) {
        const auto deadline = Clock::now() + kPatience;
        while (!bytes.empty()) {
            if (!waitReady(fd_, POLLOUT, deadline)) {
                return false;
            }
            const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            const ssize_t w = n < 0 && errno == ENOTSOCK ? ::write(fd_, bytes.data(), bytes.size()) : n;
            if (w <= 0) {
                return false;
            }
            bytes.remove_prefix(static_cast<std::size_t>(w));
        }
        return true;
    }

    // Reads until the bytes end with `suffix`, the link ends, or the patience runs out.
    std::string readUntil(std::string_view suffix) {
        std::string got;
        const auto deadline = Clock::now() + kPatience;
        while (!std::string_view(got).ends_with(suffix) && waitReady(fd_, POLLIN, deadline)) {
            char buf[4096];
            const ssize_t n = read(fd_, buf, sizeof buf);
            if (n <= 0) {
                ended_ = true;
                break;
            }
            got.append(buf, static_cast<std::size_t>(n));
        }
        return got;
    }

    bool ended() const { return ended_; }

    void hangUp() {
        if (fd_ >= 0) {
            close(fd_);
            fd_ = -1;
        }
    }

private:
    int fd_ = -1;
    bool ended_ = false;
};

std::vector<QJsonObject> readLog(const std::string& path) {
    std::vector<QJsonObject> events;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        QJsonParseError error{};
        const auto doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
        events.push_back(doc.object());
    }
    return events;
}

std::vector<std::string> eventNames(const std::vector<QJsonObject>& events) {
    std::vector<std::string> names;
    for (const auto& e : events) {
        names.push_back(e.value("event").toString().toStdString());
    }
    return names;
}

// Waits (bounded) until the log holds `count` events named `name`: the test's way to let the unit
// notice a hang-up before the link is opened again, as a loader's reopen would.
bool waitForEvent(const std::string& path, const std::string& name, std::size_t count) {
    const auto deadline = Clock::now() + kPatience;
    while (Clock::now() < deadline) {
        const auto names = eventNames(readLog(path));
        if (static_cast<std::size_t>(std::count(names.begin(), names.end(), name)) >= count) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class UnitToolTest : public testing::Test {
protected:
    void SetUp() override {
        if (unitPath().empty()) {
            GTEST_SKIP() << "set ZARVEX_UNIT to the zarvex-unit executable";
        }
        char dirTemplate[] = "/tmp/zarvex-unit-test-XXXXXX";
        ASSERT_NE(mkdtemp(dirTemplate), nullptr);
        dir_ = dirTemplate;
    }
    void TearDown() override {
        if (!dir_.empty()) {
            std::filesystem::remove_all(dir_);
        }
    }

    std::string dir_;
};

// How to reach the tool on each kind of link, and what its echo looks like there.
struct LinkCase {
    const char* name;
    std::vector<std::string> args;
    bool tcp;
    const char* lineEnd; // the loader ends a command with CR on the serial line, CR LF over TCP
    bool echo;
};

class UnitToolLinkTest : public UnitToolTest, public testing::WithParamInterface<LinkCase> {
protected:
    // Opens a link: the symlink of a pty, or the TCP port of the first line.
    bool reach(Peer& peer, const std::string& first) {
        return GetParam().tcp ? peer.connectTcp(std::atoi(first.substr(4).c_str()))
                              : peer.openTty(dir_ + "/tty");
    }
    std::vector<std::string> args() const {
        std::vector<std::string> a = GetParam().args;
        if (!GetParam().tcp) {
            a.insert(a.end(), {"--link", dir_ + "/tty"});
        }
        a.insert(a.end(), {"--log", dir_ + "/log", "--timeout", "60"});
        return a;
    }
};

TEST_P(UnitToolLinkTest, LoadsAnImageOverALinkThatCameBack) {
    const LinkCase& c = GetParam();
    UnitProcess unit;
    std::string error;
    auto a = args();
    a.push_back("--exit-after-image");
    ASSERT_TRUE(unit.start(a, error)) << error;
    const std::string first = unit.firstLine();
    ASSERT_EQ(first.substr(0, 4), c.tcp ? "TCP " : "PTY ") << first;

    {
        Peer peer;
        ASSERT_TRUE(reach(peer, first));
        ASSERT_TRUE(peer.send(std::string("VER") + c.lineEnd));
        EXPECT_EQ(peer.readUntil("#"), (c.echo ? "VER" : "") + std::string("\r\n2.06\r\n#"));
    } // the link goes away, the unit waits for the next one
    ASSERT_TRUE(waitForEvent(dir_ + "/log", "disconnect", 1));

    std::string data(4500, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<char>(i * 131 + 7);
    }
    std::uint16_t sum = 0;
    for (char b : data) {
        sum = static_cast<std::uint16_t>(sum + static_cast<unsigned char>(b));
    }
    char header[64];
    std::snprintf(header, sizeof header, "LF 8000 %zu %x 1.0", data.size(), sum);

    Peer peer;
    ASSERT_TRUE(reach(peer, first));
    ASSERT_TRUE(peer.send(std::string("LOADR") + c.lineEnd));
    EXPECT_EQ(peer.readUntil(">"), (c.echo ? "LOADR" : "") + std::string("\r\n>"));
    ASSERT_TRUE(peer.send(std::string(header) + "\r" + data));
    EXPECT_EQ(peer.readUntil("\r\nOK\r\n>"), (c.echo ? std::string(header) : "") + "\r\nOK\r\n>");

    ASSERT_TRUE(peer.send(std::string(c.lineEnd)));
    EXPECT_EQ(peer.readUntil(">"), "\r\n>") << "the unit still answers after the image";
    peer.hangUp(); // --exit-after-image: the unit ends with this link

    EXPECT_EQ(unit.waitExit(), 0);
    const auto events = readLog(dir_ + "/log");
    EXPECT_EQ(eventNames(events),
              (std::vector<std::string>{"listen", "connect", "line", "disconnect", "connect", "line", "mode",
                                        "line", "header", "image", "line", "disconnect", "exit"}));
    ASSERT_EQ(events.size(), 13u);
    EXPECT_EQ(events[2].value("text").toString(), "VER");
    EXPECT_EQ(events[8].value("size").toInteger(), 4500);
    const QJsonObject image = events[9];
    EXPECT_EQ(image.value("verdict").toString(), "ok");
    EXPECT_EQ(image.value("size").toInteger(), 4500);
    char fnv[17];
    std::snprintf(fnv, sizeof fnv, "%016llx", static_cast<unsigned long long>(zarvex::unit::fnv1a64(data)));
    EXPECT_EQ(image.value("fnv1a64").toString().toStdString(), fnv)
        << "the unit got exactly the bytes we sent";
    EXPECT_EQ(events[12].value("reason").toString(), "image");
    if (!c.tcp) {
        EXPECT_FALSE(std::filesystem::is_symlink(dir_ + "/tty")) << "the link is removed at exit";
    }
}

TEST_P(UnitToolLinkTest, DropsTheLinkAfterNBytesAndServesTheNext) {
    const LinkCase& c = GetParam();
    UnitProcess unit;
    std::string error;
    auto a = args();
    a.insert(a.end(), {"--close-after", "3"});
    ASSERT_TRUE(unit.start(a, error)) << error;
    const std::string first = unit.firstLine();
    ASSERT_FALSE(first.empty());

    for (int round = 0; round < 2; ++round) {
        Peer peer;
        ASSERT_TRUE(reach(peer, first)) << "round " << round;
        ASSERT_TRUE(peer.send("VER\r"));
        const std::string got = peer.readUntil("never comes");
        EXPECT_TRUE(peer.ended()) << "round " << round << ": the unit should hang up, got " << got;
        // The line drops at once: an echo not yet sent is lost, and no answer comes.
        EXPECT_EQ(std::string_view(c.echo ? "VER" : "").substr(0, got.size()), got);
    }
    unit.terminate();
    EXPECT_EQ(unit.waitExit(), 0);

    const auto names = eventNames(readLog(dir_ + "/log"));
    std::vector<std::string> expected{"listen"};
    for (int round = 0; round < 2; ++round) {
        expected.insert(expected.end(), {"connect", "close", "disconnect"});
        if (!c.tcp) {
            expected.push_back("listen"); // a hung-up terminal is replaced by a new one
        }
    }
    expected.push_back("exit");
    EXPECT_EQ(names, expected);
}

INSTANTIATE_TEST_SUITE_P(Links, UnitToolLinkTest,
                         testing::Values(LinkCase{"Pty", {"--pty", "--baud", "115200"}, false, "\r", true},
                                         LinkCase{
                                             "Tcp", {"--tcp", "0", "--rate", "50000"}, true, "\r\n", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UnitToolTest, RefusesBadOptionsWithAMessage) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{{"--tcp", "70000"},
                                                                                      {"--close-after", "-1"},
                                                                                      {"--only-prompt", "ab"},
                                                                                      {"--frobnicate"},
                                                                                      {"--log"}}) {
        UnitProcess unit;
        std::string error;
        ASSERT_TRUE(unit.start(args, error, true)) << error;
        const std::string message = unit.firstLine();
        EXPECT_EQ(message.rfind("zarvex-unit: ", 0), 0u) << message;
        EXPECT_NE(message.find(args.front()), std::string::npos)
            << "the message names the option: " << message;
        EXPECT_EQ(unit.waitExit(), 2) << args.front();
    }
}

} // namespace
