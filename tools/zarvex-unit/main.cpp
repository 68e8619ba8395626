// zarvex-unit: a virtual unit on a pseudo-terminal or a loopback TCP port, for tests and demos.
// The protocol lives in UnitModel; this file only moves bytes, paces them and applies the faults
// that need time (stall, slow answers, closing the link).

#include "unit_model.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using zarvex::unit::JsonLine;
using zarvex::unit::UnitConfig;
using zarvex::unit::UnitModel;
using zarvex::unit::Verdict;

constexpr const char* kUsage = R"(Usage: zarvex-unit [options]

A virtual unit that speaks the loader's line protocol on one link at a time.

Link:
  --pty                 serve a new pseudo-terminal (default); prints "PTY <slave path>" first
  --link PATH           with --pty: also make the symlink PATH -> slave (removed at exit)
  --tcp PORT            listen on 127.0.0.1:PORT instead (0 picks a port); prints "TCP <port>" first
  --echo on|off         echo command bytes (default: on for --pty, off for --tcp)
  --rate BYTES_PER_SEC  take bytes from the link no faster than this, holding the sender back
  --baud N              the same as --rate N/10 (8N1)

Unit:
  --normal-prompt C     prompt outside loader mode (default #)
  --loader-prompt C     prompt in loader mode (default >)
  --entry WORD          line that enters loader mode (default LOADR)
  --version TEXT        answer to a line that begins with VER (default 2.06)
  --load-word WORD      first word of a load header (default LF)
  --loader-mode         start in loader mode

Faults:
  --silent              never answer and never echo
  --only-prompt C       answer every line with just C; no echo, no mode change, no loads
  --close-after N       close the link after taking N bytes of it (then serve the next link)
  --long-reply N        answer every line with N printable filler bytes before the prompt
  --binary-reply        answer every line with all byte values and escape sequences
  --stall-after N       stop taking bytes after N bytes of a link
  --slow MS             send every answer and echo MS milliseconds late

Run:
  --log FILE            write the JSON event log to FILE, one object a line ("-": stdout, after
                        the first line); no log by default
  --exit-after-image    exit 0 when the link that brought the first image ends (the loader
                        still gets its prompt after the upload)
  --timeout SEC         exit with status 3 after SEC seconds, so a test can never hang on it
  --help                show this text

Protocol: every CR ends a line (an LF after it is ignored); the answer is CR LF, the output and
CR LF if there is any, then the prompt. In loader mode "<word> <address> <size> <checksum-hex>
<version>" makes the unit take exactly <size> raw bytes and answer "OK" or "CHECKSUM ERROR";
a malformed header gets "BAD HEADER", an overlong line "LINE TOO LONG".

Log events: listen, connect, disconnect, line, mode, header, bad-header, image (verdict ok, bad or
incomplete, with the 16-bit sum and an FNV-1a 64 hash), close, stall, exit.

SIGINT, SIGTERM and SIGHUP exit with status 0; a link that cannot be set up exits with status 1;
bad options exit with status 2.
)";

volatile sig_atomic_t g_signal = 0;
void onSignal(int sig) {
    g_signal = sig;
}

struct UsageError {
    std::string message;
};

struct Options {
    bool tcp = false;
    int port = 0;
    std::string linkPath;
    std::optional<bool> echo;
    double rate = 0; // bytes per second; 0: as fast as the bytes come
    std::string logPath;
    UnitConfig config;
    long long stallAfter = -1;
    long long slowMs = 0;
    bool exitAfterImage = false;
    double timeout = 0;
};

long long parseWhole(std::string_view opt, std::string_view text, long long min, long long max) {
    long long v = 0;
    bool any = false;
    for (char c : text) {
        if (c < '0' || c > '9') {
            any = false;
            break;
        }
        any = true;
        v = v * 10 + (c - '0');
        if (v > max) {
            throw UsageError{std::string(opt) + ": " + std::string(text) + " is larger than " +
                             std::to_string(max)};
        }
    }
    if (!any) {
        throw UsageError{std::string(opt) + ": expected a whole number, got '" + std::string(text) + "'"};
    }
    if (v < min) {
        throw UsageError{std::string(opt) + ": " + std::string(text) + " is smaller than " +
                         std::to_string(min)};
    }
    return v;
}

double parsePositive(std::string_view opt, const std::string& text, double max) {
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(v) || v <= 0 || v > max) {
        throw UsageError{std::string(opt) + ": expected a number above 0 and at most " +
                         std::to_string(static_cast<long long>(max)) + ", got '" + text + "'"};
    }
    return v;
}

char parseChar(std::string_view opt, std::string_view text) {
    if (text.size() != 1) {
        throw UsageError{std::string(opt) + ": expected exactly one character, got '" + std::string(text) +
                         "'"};
    }
    return text[0];
}

Options parseOptions(int argc, char** argv) {
    Options o;
    bool pty = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view opt = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                throw UsageError{std::string(opt) + " needs a value"};
            }
            return argv[++i];
        };
        if (opt == "--help" || opt == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (opt == "--pty") {
            pty = true;
        } else if (opt == "--link") {
            o.linkPath = value();
            if (o.linkPath.empty()) {
                throw UsageError{"--link: the path is empty"};
            }
        } else if (opt == "--tcp") {
            o.tcp = true;
            o.port = static_cast<int>(parseWhole(opt, value(), 0, 65535));
        } else if (opt == "--echo") {
            const std::string v = value();
            if (v != "on" && v != "off") {
                throw UsageError{"--echo: expected on or off, got '" + v + "'"};
            }
            o.echo = v == "on";
        } else if (opt == "--rate") {
            o.rate = parsePositive(opt, value(), 1e9);
        } else if (opt == "--baud") {
            o.rate = parsePositive(opt, value(), 1e10) / 10.0;
        } else if (opt == "--normal-prompt") {
            o.config.normalPrompt = parseChar(opt, value());
        } else if (opt == "--loader-prompt") {
            o.config.loaderPrompt = parseChar(opt, value());
        } else if (opt == "--entry") {
            o.config.entryCommand = value();
        } else if (opt == "--version") {
            o.config.versionText = value();
        } else if (opt == "--load-word") {
            o.config.loadWord = value();
        } else if (opt == "--loader-mode") {
            o.config.startInLoaderMode = true;
        } else if (opt == "--silent") {
            o.config.silent = true;
        } else if (opt == "--only-prompt") {
            o.config.onlyPrompt = parseChar(opt, value());
        } else if (opt == "--close-after") {
            o.config.closeAfterBytes = static_cast<long>(parseWhole(opt, value(), 0, 1ll << 40));
        } else if (opt == "--long-reply") {
            o.config.longReplyBytes = static_cast<std::size_t>(parseWhole(opt, value(), 0, 256ll << 20));
        } else if (opt == "--binary-reply") {
            o.config.binaryReply = true;
        } else if (opt == "--stall-after") {
            o.stallAfter = parseWhole(opt, value(), 0, 1ll << 40);
        } else if (opt == "--slow") {
            o.slowMs = parseWhole(opt, value(), 0, 600000);
        } else if (opt == "--log") {
            o.logPath = value();
            if (o.logPath.empty()) {
                throw UsageError{"--log: the path is empty"};
            }
        } else if (opt == "--exit-after-image") {
            o.exitAfterImage = true;
        } else if (opt == "--timeout") {
            o.timeout = parsePositive(opt, value(), 1e6);
        } else {
            throw UsageError{"unknown option '" + std::string(opt) + "' (see --help)"};
        }
    }
    if (pty && o.tcp) {
        throw UsageError{"--pty and --tcp exclude each other"};
    }
    if (o.tcp && !o.linkPath.empty()) {
        throw UsageError{"--link needs --pty"};
    }
    o.config.echo = o.echo.value_or(!o.tcp);
    // The tool streams its log; it keeps no history and no image bytes, so a long run stays small.
    o.config.keepHistory = false;
    o.config.keptImageBytes = 0;
    return o;
}

double now() {
    static const auto start = std::chrono::steady_clock::now();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Token bucket: reads take tokens, time adds them at `rate`. The bucket holds 20 ms worth, so a
// sender cannot run ahead of the emulated line by more than that plus the kernel's buffers.
class Pacer {
public:
    explicit Pacer(double rate) : rate_(rate), capacity_(std::max(1.0, rate * 0.02)) {}

    void reset(double t) {
        tokens_ = capacity_;
        last_ = t;
    }
    std::size_t budget(double t) {
        if (rate_ <= 0) {
            return SIZE_MAX;
        }
        tokens_ = std::min(capacity_, tokens_ + (t - last_) * rate_);
        last_ = t;
        return static_cast<std::size_t>(std::max(0.0, std::floor(tokens_)));
    }
    void take(std::size_t n) {
        if (rate_ > 0) {
            tokens_ -= static_cast<double>(n);
        }
    }
    // Waking for every single byte at a high rate would only burn CPU: wait for 5 ms worth.
    std::size_t worthReading() const {
        return rate_ <= 0 ? 1 : static_cast<std::size_t>(std::max(1.0, std::min(capacity_, rate_ * 0.005)));
    }
    double secondsUntil(std::size_t want) const {
        return rate_ <= 0 ? 0.0 : std::max(0.0, (static_cast<double>(want) - tokens_) / rate_);
    }

private:
    double rate_;
    double capacity_;
    double tokens_ = 0;
    double last_ = 0;
};

class LogFile {
public:
    bool open(const std::string& path) {
        if (path.empty()) {
            return true;
        }
        file_ = path == "-" ? stdout : std::fopen(path.c_str(), "w");
        return file_ != nullptr;
    }
    ~LogFile() {
        if (file_ != nullptr && file_ != stdout) {
            std::fclose(file_);
        }
    }
    void write(const std::string& line) {
        if (file_ == nullptr) {
            return;
        }
        if ((std::fputs(line.c_str(), file_) < 0 || std::fputc('\n', file_) == EOF ||
             std::fflush(file_) != 0) &&
            !failed_) {
            failed_ = true;
            std::fprintf(stderr, "zarvex-unit: cannot write the log: %s\n", std::strerror(errno));
        }
    }

private:
    std::FILE* file_ = nullptr;
    bool failed_ = false;
};

// The pseudo-terminal. The slave is opened and closed once at creation, so that the master reports
// POLLHUP until the loader opens it: that is how we see the loader come and go.
class Pty {
public:
    Pty() = default;
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    ~Pty() { close(); }

    bool create(std::string& error) {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
            error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
            return false;
        }
        const char* name = ptsname(master_);
        if (name == nullptr) {
            error = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
            return false;
        }
        slavePath_ = name;
        // Raw both ways: no echo by the line discipline, no CR/LF translation, every byte through.
        termios t{};
        if (tcgetattr(master_, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(master_, TCSANOW, &t);
        }
        flushSlaveInput();
        return true;
    }

    void close() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

    int fd() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

    bool peerPresent() const {
        pollfd p{master_, 0, 0};
        return poll(&p, 1, 0) == 0 || (p.revents & POLLHUP) == 0;
    }

    // Bytes we wrote that the loader never read would greet its next open: drop them, and whatever
    // the loader wrote that we did not take.
    void flushSlaveInput() {
        const int s = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (s >= 0) {
            tcflush(s, TCIFLUSH);
            ::close(s);
        }
        char buf[4096];
        for (int i = 0; i < 1024 && ::read(master_, buf, sizeof buf) > 0; ++i) {
        }
    }

private:
    int master_ = -1;
    std::string slavePath_;
};

class Symlink {
public:
    ~Symlink() { remove(); }

    bool point(const std::string& path, const std::string& target, std::string& error) {
        struct stat st {};
        if (lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
            error = "--link: " + path + " exists and is not a symlink; not replacing it";
            return false;
        }
        // Made beside it and renamed over it, so the name never points nowhere.
        const std::string tmp = path + ".tmp" + std::to_string(getpid());
        ::unlink(tmp.c_str());
        if (::symlink(target.c_str(), tmp.c_str()) != 0 || ::rename(tmp.c_str(), path.c_str()) != 0) {
            error = "--link: cannot make " + path + ": " + std::strerror(errno);
            ::unlink(tmp.c_str());
            return false;
        }
        path_ = path;
        target_ = target;
        return true;
    }

    // Only our own link: someone may have pointed the name elsewhere since.
    void remove() {
        if (path_.empty()) {
            return;
        }
        char buf[4096];
        const ssize_t n = readlink(path_.c_str(), buf, sizeof buf - 1);
        if (n >= 0 && std::string_view(buf, static_cast<std::size_t>(n)) == target_) {
            ::unlink(path_.c_str());
        }
        path_.clear();
    }

private:
    std::string path_;
    std::string target_;
};

class Server {
public:
    explicit Server(Options options) : o_(std::move(options)), model_(o_.config, now), pacer_(o_.rate) {}

    int run() {
        if (!log_.open(o_.logPath)) {
            return fail("cannot open the log " + o_.logPath + ": " + std::strerror(errno));
        }
        model_.setLogSink([this](const std::string& line) { log_.write(line); });
        std::string error;
        if (!(o_.tcp ? listenTcp(error) : newPty(error))) {
            return fail(error);
        }
        // The first line of stdout, before any log line that may follow it there.
        if (o_.tcp) {
            std::printf("TCP %d\n", port_);
        } else {
            std::printf("PTY %s\n", pty_->slavePath().c_str());
        }
        std::fflush(stdout);
        logListen();

        const double deadline = o_.timeout > 0 ? now() + o_.timeout : HUGE_VAL;
        std::string reason;
        int status = 0;
        for (;;) {
            if (g_signal != 0) {
                reason = "signal";
                break;
            }
            if (now() >= deadline) {
                reason = "timeout";
                status = 3;
                break;
            }
            if (exitPending_ && linkFd_ < 0) {
                reason = "image";
                break;
            }
            if (!step(deadline, error)) {
                return fail(error);
            }
        }
        model_.logEvent(JsonLine("exit").text("reason", reason));
        if (o_.tcp && linkFd_ >= 0) {
            shutdown(linkFd_, SHUT_WR); // a FIN after our last bytes, so none is lost to a reset
        }
        if (o_.tcp) {
            for (int fd : {linkFd_, listenFd_}) {
                if (fd >= 0) {
                    ::close(fd);
                }
            }
        }
        link_.remove();
        return status;
    }

private:
    static constexpr std::size_t kMaxBacklog = 64 * 1024; // stop reading while this much waits to go out
    static constexpr std::size_t kReadChunk = 64 * 1024;

    struct Chunk {
        double due;
        std::string bytes;
        std::size_t sent = 0; // an offset, not an erase: a long reply goes out in many pieces
    };

    int fail(const std::string& message) {
        std::fprintf(stderr, "zarvex-unit: %s\n", message.c_str());
        link_.remove();
        return 1;
    }

    // The new terminal is made and linked before the old one closes, so whoever sees the old line
    // hang up finds the link already pointing at the next one.
    bool newPty(std::string& error) {
        auto next = std::make_unique<Pty>();
        if (!next->create(error) ||
            (!o_.linkPath.empty() && !link_.point(o_.linkPath, next->slavePath(), error))) {
            return false;
        }
        pty_ = std::move(next);
        return true;
    }

    void logListen() {
        if (o_.tcp) {
            model_.logEvent(
                JsonLine("listen").text("link", "tcp").number("port", static_cast<std::uint64_t>(port_)));
        } else {
            model_.logEvent(JsonLine("listen").text("link", "pty").text("path", pty_->slavePath()));
        }
    }

    bool listenTcp(std::string& error) {
        listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        const int on = 1;
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<std::uint16_t>(o_.port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        // With a line rate or a stall, a small receive buffer holds the sender back sooner, as a
        // serial line would; accepted sockets inherit it.
        const int small = 16 * 1024;
        if (listenFd_ >= 0 && (o_.rate > 0 || o_.stallAfter >= 0)) {
            setsockopt(listenFd_, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        }
        if (listenFd_ < 0 || setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
            bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listenFd_, 8) != 0 ||
            getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
            error = "cannot listen on 127.0.0.1:" + std::to_string(o_.port) + ": " + std::strerror(errno);
            return false;
        }
        port_ = ntohs(a.sin_port);
        return true;
    }

    void connect(int fd) {
        linkFd_ = fd;
        bytesRead_ = 0;
        stalled_ = false;
        peerGone_ = false;
        pacer_.reset(now());
        model_.connected();
    }

    // Ends the current link. `dropByUs`: the unit hangs up (close-after); otherwise the peer left.
    bool disconnect(bool dropByUs, std::string& error) {
        out_.clear();
        backlog_ = 0;
        if (o_.tcp) {
            ::close(linkFd_);
        } else if (dropByUs) {
            // Closing the master is what hangs the line up for the loader; serve a fresh terminal.
            linkFd_ = -1;
            model_.disconnected();
            if (!newPty(error)) {
                return false;
            }
            logListen();
            return true;
        } else {
            pty_->flushSlaveInput();
        }
        linkFd_ = -1;
        model_.disconnected();
        return true;
    }

    void queue(std::string bytes) {
        if (bytes.empty()) {
            return;
        }
        backlog_ += bytes.size();
        out_.push_back({now() + static_cast<double>(o_.slowMs) / 1000.0, std::move(bytes), 0});
    }

    bool step(double wakeBy, std::string& error) {
        const double t = now();
        double wake = std::min(wakeBy, t + 0.05); // the signal flag and the deadline are seen within 50 ms

        if (linkFd_ < 0 && !o_.tcp) {
            if (pty_->peerPresent()) {
                connect(pty_->fd());
            } else {
                return sleepUntil(std::min(wake, t + 0.02));
            }
        }
        if (linkFd_ >= 0 && model_.wantsClose()) {
            return disconnect(true, error);
        }

        pollfd p{-1, 0, 0};
        std::size_t budget = 0;
        if (linkFd_ < 0) {
            p = {listenFd_, POLLIN, 0};
        } else {
            if (o_.stallAfter >= 0 && bytesRead_ >= static_cast<std::uint64_t>(o_.stallAfter) && !stalled_) {
                stalled_ = true;
                model_.logEvent(JsonLine("stall").number("after", bytesRead_));
            }
            budget = pacer_.budget(t);
            const bool mayRead = !stalled_ && backlog_ < kMaxBacklog;
            const bool wantRead = mayRead && budget >= pacer_.worthReading();
            if (mayRead && !wantRead) {
                wake = std::min(wake, t + pacer_.secondsUntil(pacer_.worthReading()));
            }
            const bool writeDue = !out_.empty() && out_.front().due <= t;
            if (!out_.empty() && !writeDue) {
                wake = std::min(wake, out_.front().due);
            }
            if (peerGone_ && stalled_) {
                return disconnect(false, error); // what is left unread will never be taken
            }
            // A TCP half-close is reported on every poll; once seen, look again only when there is
            // something to do, or the wait would spin.
            if (!peerGone_ || wantRead || writeDue) {
                p.fd = linkFd_;
                p.events = static_cast<short>((wantRead ? POLLIN : 0) | (writeDue ? POLLOUT : 0) |
                                              (o_.tcp ? POLLRDHUP : 0));
            }
        }

        const double wait = std::max(0.0, wake - t);
        timespec ts{static_cast<time_t>(wait), static_cast<long>((wait - std::floor(wait)) * 1e9)};
        sigset_t unblocked;
        sigemptyset(&unblocked);
        const int r = ppoll(&p, 1, &ts, &unblocked);
        if (r < 0) {
            if (errno == EINTR) {
                return true;
            }
            error = std::string("poll failed: ") + std::strerror(errno);
            return false;
        }
        if (r == 0 || p.fd < 0) {
            return true;
        }
        if (linkFd_ < 0) {
            const int c = accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (c >= 0) {
                connect(c);
            }
            return true;
        }
        if (!o_.tcp && (p.revents & (POLLHUP | POLLERR))) {
            // The loader closed its side. Take at once what it sent before, then wait for the next
            // open: a quick close and reopen must not pass for one session.
            takeRest();
            return disconnect(false, error);
        }
        if (p.revents & POLLOUT) {
            if (!writeOut()) {
                return disconnect(false, error);
            }
        }
        if (p.revents & POLLIN) {
            const ssize_t n = readSome(std::min(budget, kReadChunk));
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
                return disconnect(false, error); // EOF, or a reset connection
            }
            return true;
        }
        if (p.revents & POLLERR) {
            return disconnect(false, error);
        }
        if (p.revents & (POLLHUP | POLLRDHUP)) {
            if (p.events & POLLIN) {
                return disconnect(false, error); // asked to read, and nothing is left
            }
            peerGone_ = true; // keep taking what is still buffered; read() then reports the end
        }
        return true;
    }

    // Reads at most `limit` bytes (and never past the stall point) into the model; read()'s result.
    ssize_t readSome(std::size_t limit) {
        if (o_.stallAfter >= 0) {
            limit = std::min<std::uint64_t>(limit, static_cast<std::uint64_t>(o_.stallAfter) - bytesRead_);
        }
        if (limit == 0) {
            errno = EAGAIN;
            return -1;
        }
        static char buf[kReadChunk];
        const ssize_t n = ::read(linkFd_, buf, std::min(limit, sizeof buf));
        if (n > 0) {
            bytesRead_ += static_cast<std::uint64_t>(n);
            pacer_.take(static_cast<std::size_t>(n));
            queue(model_.receive(std::string_view(buf, static_cast<std::size_t>(n))));
            noteImage();
        }
        return n;
    }

    // After a hang-up: what is still in the terminal's buffer, unpaced (bounded, 16 MiB at most).
    void takeRest() {
        for (int i = 0; i < 256 && !stalled_ && !model_.wantsClose(); ++i) {
            if (readSome(kReadChunk) <= 0) {
                break;
            }
        }
    }

    bool writeOut() {
        const double t = now();
        while (!out_.empty() && out_.front().due <= t) {
            Chunk& c = out_.front();
            const char* data = c.bytes.data() + c.sent;
            const std::size_t size = c.bytes.size() - c.sent;
            const ssize_t n =
                o_.tcp ? ::send(linkFd_, data, size, MSG_NOSIGNAL) : ::write(linkFd_, data, size);
            if (n < 0) {
                return errno == EAGAIN || errno == EINTR;
            }
            backlog_ -= static_cast<std::size_t>(n);
            c.sent += static_cast<std::size_t>(n);
            if (c.sent < c.bytes.size()) {
                return true;
            }
            out_.pop_front();
        }
        return true;
    }

    void noteImage() {
        if (!o_.exitAfterImage || exitPending_) {
            return;
        }
        for (const auto& image : model_.images()) {
            if (image.verdict != Verdict::Incomplete) {
                exitPending_ = true;
            }
        }
    }

    bool sleepUntil(double t) {
        const double wait = std::max(0.0, t - now());
        timespec ts{static_cast<time_t>(wait), static_cast<long>((wait - std::floor(wait)) * 1e9)};
        sigset_t unblocked;
        sigemptyset(&unblocked);
        ppoll(nullptr, 0, &ts, &unblocked);
        return true;
    }

    Options o_;
    UnitModel model_;
    Pacer pacer_;
    LogFile log_;
    std::unique_ptr<Pty> pty_;
    Symlink link_;
    int listenFd_ = -1;
    int port_ = 0;
    int linkFd_ = -1;
    std::uint64_t bytesRead_ = 0;
    bool stalled_ = false;
    bool peerGone_ = false;
    bool exitPending_ = false;
    std::deque<Chunk> out_;
    std::size_t backlog_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    Options options;
    try {
        options = parseOptions(argc, argv);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "zarvex-unit: %s\n", e.message.c_str());
        return 2;
    }

    // The signals stay blocked except inside ppoll(), so none is lost between a check and a wait.
    sigset_t blocked;
    sigemptyset(&blocked);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&blocked, sig);
        struct sigaction sa {};
        sa.sa_handler = onSignal;
        sigaction(sig, &sa, nullptr);
    }
    sigprocmask(SIG_BLOCK, &blocked, nullptr);
    signal(SIGPIPE, SIG_IGN);

    return Server(std::move(options)).run();
}
