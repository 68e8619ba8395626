#include "unit_model.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace zarvex::unit {

namespace {

constexpr char kBackspace = 8;
constexpr std::uint64_t kFnvPrime = 0x100000001b3ull;
constexpr std::uint64_t kMaxImageSize = 2ull << 30; // 2 GiB: anything larger is a corrupt header

std::string hex(std::uint64_t value) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%llx", static_cast<unsigned long long>(value));
    return buf;
}

std::string hex16(std::uint64_t value) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(value));
    return buf;
}

struct LoadHeader {
    std::string word;
    std::string address;
    std::string version;
    std::uint64_t size = 0;
    std::uint32_t checksum = 0;
};

// Parses "<word> <address> <size> <checksum-hex> <version>"; the version is all that follows the
// fourth blank and may be empty or hold blanks. Returns the reason on failure, empty on success.
std::string parseHeader(std::string_view line, LoadHeader& h) {
    std::size_t cut[4];
    std::size_t from = 0;
    for (auto& c : cut) {
        c = line.find(' ', from);
        if (c == std::string_view::npos) {
            return "expected <word> <address> <size> <checksum> <version>";
        }
        from = c + 1;
    }
    const auto field = [&](int i) { return line.substr(cut[i] + 1, cut[i + 1] - cut[i] - 1); };
    const std::string_view size = field(1);
    const std::string_view sum = field(2);

    if (size.empty()) {
        return "size is empty";
    }
    if (size.front() == '-') {
        return "size is negative";
    }
    std::uint64_t n = 0;
    for (char c : size) {
        if (c < '0' || c > '9') {
            return "size is not a decimal number";
        }
        n = n * 10 + static_cast<unsigned>(c - '0');
        if (n > kMaxImageSize) {
            return "size is over 2 GiB";
        }
    }

    if (sum.empty()) {
        return "checksum is empty";
    }
    std::uint64_t s = 0;
    std::size_t significant = 0;
    for (char c : sum) {
        unsigned d;
        if (c >= '0' && c <= '9') {
            d = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            d = static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            d = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return "checksum is not hexadecimal";
        }
        if (s != 0 || d != 0) {
            ++significant;
        }
        if (significant > 8) {
            return "checksum is wider than 32 bits";
        }
        s = s * 16 + d;
    }

    h.word = std::string(line.substr(0, cut[0]));
    h.address = std::string(field(0));
    h.version = std::string(line.substr(cut[3] + 1));
    h.size = n;
    h.checksum = static_cast<std::uint32_t>(s);
    return {};
}

// Printable filler that never holds a prompt character, so a long reply ends at the real prompt.
std::string filler(std::size_t count, char p1, char p2) {
    static constexpr std::string_view pool = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    std::string chars;
    for (char c : pool) {
        if (c != p1 && c != p2) {
            chars += c;
        }
    }
    std::string out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        out += chars[i % chars.size()];
    }
    return out;
}

// Every byte value but the prompts (so the reply still ends at the real prompt), then terminal
// escape sequences that a careless display would act on.
std::string binaryBlock(char p1, char p2) {
    std::string out;
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        if (c != p1 && c != p2) {
            out += c;
        }
    }
    out += "\x1b[2J\x1b[H\x1b[1;31m\x1b]0;unit\x07\x1b[0m";
    return out;
}

} // namespace

std::string_view modeName(Mode mode) {
    return mode == Mode::Loader ? "loader" : "normal";
}

std::string_view verdictName(Verdict verdict) {
    switch (verdict) {
    case Verdict::Ok:
        return "ok";
    case Verdict::Bad:
        return "bad";
    case Verdict::Incomplete:
        break;
    }
    return "incomplete";
}

std::uint64_t fnv1a64(std::string_view bytes, std::uint64_t hash) {
    for (char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= kFnvPrime;
    }
    return hash;
}

UnitModel::UnitModel(UnitConfig config, Clock clock)
    : config_(std::move(config)), clock_(std::move(clock)),
      mode_(config_.startInLoaderMode ? Mode::Loader : Mode::Normal) {
    if (!clock_) {
        clock_ = [start = std::chrono::steady_clock::now()] {
            return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        };
    }
    config_.maxLineBytes = std::max<std::size_t>(config_.maxLineBytes, 1);
}

void UnitModel::logEvent(const JsonLine& line) {
    std::string text = line.str();
    if (sink_) {
        sink_(text);
    }
    if (config_.keepHistory) {
        log_.push_back(std::move(text));
    }
}

char UnitModel::prompt() const {
    return mode_ == Mode::Loader ? config_.loaderPrompt : config_.normalPrompt;
}

void UnitModel::setMode(Mode mode) {
    if (mode_ != mode) {
        mode_ = mode;
        logEvent(JsonLine("mode").text("mode", modeName(mode)));
    }
}

void UnitModel::resetLine() {
    line_.clear();
    lineOverflow_ = 0;
}

void UnitModel::checkCloseAfter() {
    if (!wantsClose_ && config_.closeAfterBytes >= 0 &&
        linkBytes_ >= static_cast<std::uint64_t>(config_.closeAfterBytes)) {
        wantsClose_ = true;
        logEvent(JsonLine("close").text("reason", "close-after").number("bytes", linkBytes_));
    }
}

void UnitModel::connected() {
    resetLine();
    linkBytes_ = 0;
    wantsClose_ = false;
    logEvent(JsonLine("connect"));
    checkCloseAfter();
}

void UnitModel::disconnected() {
    if (state_ == State::Image) {
        finishImage(Verdict::Incomplete);
    }
    resetLine();
    logEvent(JsonLine("disconnect"));
}

std::string UnitModel::receive(std::string_view bytes) {
    std::string out;
    checkCloseAfter();
    std::size_t i = 0;
    while (i < bytes.size() && !wantsClose_) {
        std::size_t room = bytes.size() - i;
        if (config_.closeAfterBytes >= 0) {
            room = std::min<std::uint64_t>(room,
                                           static_cast<std::uint64_t>(config_.closeAfterBytes) - linkBytes_);
        }
        if (state_ == State::Image) {
            const std::size_t n = takeImageBytes(bytes.substr(i, room), out);
            i += n;
            linkBytes_ += n;
        } else {
            takeCommandByte(bytes[i], out);
            ++i;
            ++linkBytes_;
        }
        checkCloseAfter();
    }
    if (config_.silent) {
        out.clear();
    }
    return out;
}

void UnitModel::takeCommandByte(char c, std::string& out) {
    const bool echo = config_.echo && config_.onlyPrompt == 0;
    if (c == '\r') {
        endLine(out);
        return;
    }
    const bool lineEmpty = line_.empty() && lineOverflow_ == 0;
    if (c == '\n' && lineEmpty) {
        return; // the LF of CR LF, or a stray one: not part of any line
    }
    if (c == kBackspace) {
        if (lineEmpty) {
            return;
        }
        if (lineOverflow_ > 0) {
            --lineOverflow_;
        } else {
            line_.pop_back();
        }
        if (echo) {
            out += kBackspace;
        }
        return;
    }
    if (line_.size() < config_.maxLineBytes) {
        line_ += c;
    } else {
        ++lineOverflow_;
    }
    if (echo) {
        out += c;
    }
}

void UnitModel::appendAnswer(std::string& out, std::string_view text) const {
    std::string body(text);
    if (config_.binaryReply || config_.longReplyBytes > 0) {
        body.clear();
        if (config_.binaryReply) {
            body += binaryBlock(config_.normalPrompt, config_.loaderPrompt);
        }
        body += filler(config_.longReplyBytes, config_.normalPrompt, config_.loaderPrompt);
    }
    out += "\r\n";
    if (!body.empty()) {
        out += body;
        out += "\r\n";
    }
    out += prompt();
}

void UnitModel::endLine(std::string& out) {
    CommandLine line{mode_, std::move(line_), lineOverflow_ > 0};
    resetLine();
    JsonLine event("line");
    event.text("mode", modeName(line.mode)).text("text", line.text);
    if (line.truncated) {
        event.boolean("truncated", true);
    }
    logEvent(event);
    const std::string text = line.text;
    const bool truncated = line.truncated;
    if (config_.keepHistory) {
        lines_.push_back(std::move(line));
    }

    if (config_.onlyPrompt != 0) {
        out += config_.onlyPrompt;
        return;
    }
    if (truncated) {
        appendAnswer(out, "LINE TOO LONG");
        return;
    }
    const std::string& word = config_.loadWord;
    const bool header =
        !text.empty() && mode_ == Mode::Loader &&
        (text == word ||
         (text.size() > word.size() && text.compare(0, word.size(), word) == 0 && text[word.size()] == ' '));
    if (header) {
        startImage(text, out);
    } else if (text == config_.entryCommand && !text.empty()) {
        setMode(Mode::Loader);
        appendAnswer(out, {});
    } else if (text.compare(0, 3, "VER") == 0) {
        appendAnswer(out, config_.versionText);
    } else {
        appendAnswer(out, {});
    }
}

void UnitModel::startImage(std::string_view line, std::string& out) {
    LoadHeader h;
    const std::string reason = parseHeader(line, h);
    if (!reason.empty()) {
        logEvent(JsonLine("bad-header").text("text", line).text("reason", reason));
        appendAnswer(out, "BAD HEADER");
        return;
    }
    logEvent(JsonLine("header")
                 .text("word", h.word)
                 .text("address", h.address)
                 .number("size", h.size)
                 .text("checksum", hex(h.checksum))
                 .text("version", h.version));
    current_ = ImageRecord{};
    current_.word = std::move(h.word);
    current_.address = std::move(h.address);
    current_.version = std::move(h.version);
    current_.size = h.size;
    current_.expected = h.checksum;
    current_.fnv1a64 = fnv1a64({});
    remaining_ = h.size;
    imageStarted_ = false;
    state_ = State::Image;
    if (remaining_ == 0) {
        takeImageBytes({}, out);
    }
}

std::size_t UnitModel::takeImageBytes(std::string_view bytes, std::string& out) {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), remaining_));
    const std::string_view chunk = bytes.substr(0, n);
    if (n > 0) {
        const double now = clock_();
        if (!imageStarted_) {
            imageStarted_ = true;
            firstByteAt_ = now;
            firstChunkBytes_ = n;
        }
        lastByteAt_ = now;
    }
    std::uint16_t sum = current_.sum;
    for (char c : chunk) {
        sum = static_cast<std::uint16_t>(sum + static_cast<unsigned char>(c));
    }
    current_.sum = sum;
    current_.fnv1a64 = fnv1a64(chunk, current_.fnv1a64);
    const std::size_t keep =
        std::min(n, config_.keptImageBytes - std::min(keptBytes_, config_.keptImageBytes));
    current_.bytes.append(chunk.data(), keep);
    keptBytes_ += keep;
    current_.received += n;
    remaining_ -= n;

    if (remaining_ == 0) {
        const bool ok = current_.sum == current_.expected;
        finishImage(ok ? Verdict::Ok : Verdict::Bad);
        out += "\r\n";
        out += ok ? "OK" : "CHECKSUM ERROR";
        out += "\r\n";
        out += prompt();
    }
    return n;
}

void UnitModel::finishImage(Verdict verdict) {
    current_.verdict = verdict;
    current_.seconds = imageStarted_ ? lastByteAt_ - firstByteAt_ : 0.0;
    JsonLine event("image");
    event.number("size", current_.size);
    if (verdict == Verdict::Incomplete) {
        event.number("received", current_.received);
    }
    event.text("sum", hex(current_.sum))
        .text("expected", hex(current_.expected))
        .text("verdict", verdictName(verdict))
        .text("fnv1a64", hex16(current_.fnv1a64))
        .real("seconds", current_.seconds);
    // The first chunk's bytes arrived before the clock could see them, so they do not count.
    if (current_.seconds > 0) {
        event.real("bytes_per_second",
                   static_cast<double>(current_.received - firstChunkBytes_) / current_.seconds);
    } else {
        event.null("bytes_per_second");
    }
    logEvent(event);
    images_.push_back(std::move(current_));
    current_ = ImageRecord{};
    state_ = State::Command;
    remaining_ = 0;
}

} // namespace zarvex::unit
