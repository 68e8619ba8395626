#pragma once

// The virtual unit's protocol as plain logic: received bytes in, reply bytes out. No I/O and no Qt, so
// the zarvex-unit tool and in-process fakes in fast tests share one definition of what the unit does.

#include "json_line.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zarvex::unit {

enum class Mode { Normal, Loader };
std::string_view modeName(Mode mode);

struct UnitConfig {
    char normalPrompt = '#';
    char loaderPrompt = '>';
    std::string entryCommand = "LOADR";
    std::string versionText = "2.06";
    std::string loadWord = "LF";
    bool echo = true; // the tool turns it off for TCP, where the loader echoes keys itself
    bool startInLoaderMode = false;

    // Faults.
    bool silent = false;            // process everything, send nothing (no echo, no answers)
    char onlyPrompt = 0;            // non-zero: every line is answered by this character alone, no
                                    // echo, no mode change, no load header is recognised
    long closeAfterBytes = -1;      // >= 0: take this many bytes of a link, then ask for it to close
    std::size_t longReplyBytes = 0; // > 0: every line is answered by this many printable filler bytes
    bool binaryReply = false;       // every line is answered by all byte values and escape sequences

    // Limits, so that hostile input cannot grow memory without bound.
    std::size_t maxLineBytes = 4096;        // longer lines are cut and answered "LINE TOO LONG"
    std::size_t keptImageBytes = 64u << 20; // image bytes kept for inspection, over all images
    bool keepHistory = true;                // keep log() and lines() in memory (tests); the tool
                                            // only streams the log to its sink
};

enum class Verdict { Ok, Bad, Incomplete };
std::string_view verdictName(Verdict verdict);

struct ImageRecord {
    std::string word;
    std::string address;
    std::string version;
    std::uint64_t size = 0;     // announced by the header
    std::uint64_t received = 0; // bytes taken; equals size unless the link dropped mid-image
    std::uint16_t sum = 0;      // 16-bit sum of the received bytes
    std::uint32_t expected = 0; // checksum announced by the header
    Verdict verdict = Verdict::Incomplete;
    std::uint64_t fnv1a64 = 0;
    std::string bytes;  // the received bytes while keptImageBytes lasts; may be a prefix
    double seconds = 0; // first to last image byte, by the model's clock

    bool bytesComplete() const { return bytes.size() == received; }
};

struct CommandLine {
    Mode mode = Mode::Normal; // the mode in which the line was received
    std::string text;
    bool truncated = false;
};

std::uint64_t fnv1a64(std::string_view bytes, std::uint64_t hash = 0xcbf29ce484222325ull);

class UnitModel {
public:
    using Clock = std::function<double()>; // monotonic seconds; tests pass a fake
    using LogSink = std::function<void(const std::string& jsonLine)>;

    explicit UnitModel(UnitConfig config = {}, Clock clock = {});

    // Everything the unit sends back for these bytes, in order.
    std::string receive(std::string_view bytes);

    // Link events from the host. connected() starts a fresh link (line, byte count, close request);
    // disconnected() ends an image in progress as incomplete. The mode survives, as in a real unit.
    void connected();
    void disconnected();

    // The close-after fault was reached: no further byte of this link is taken.
    bool wantsClose() const { return wantsClose_; }
    std::uint64_t linkBytes() const { return linkBytes_; }

    Mode mode() const { return mode_; }
    bool takingImage() const { return state_ == State::Image; }
    const UnitConfig& config() const { return config_; }

    const std::vector<ImageRecord>& images() const { return images_; }
    const std::vector<CommandLine>& lines() const { return lines_; }
    const std::vector<std::string>& log() const { return log_; }

    // Every log line goes to the sink (if set) as it happens, besides log() when keepHistory is on.
    void setLogSink(LogSink sink) { sink_ = std::move(sink); }
    // For host events (listening, stall, exit), so that the log stays one stream.
    void logEvent(const JsonLine& line);

private:
    enum class State { Command, Image };

    char prompt() const;
    void takeCommandByte(char c, std::string& out);
    void endLine(std::string& out);
    void appendAnswer(std::string& out, std::string_view text) const;
    void startImage(std::string_view line, std::string& out);
    std::size_t takeImageBytes(std::string_view bytes, std::string& out);
    void finishImage(Verdict verdict);
    void setMode(Mode mode);
    void checkCloseAfter();
    void resetLine();

    UnitConfig config_;
    Clock clock_;
    LogSink sink_;

    Mode mode_;
    State state_ = State::Command;
    std::string line_;
    std::size_t lineOverflow_ = 0; // bytes of the current line beyond maxLineBytes
    std::uint64_t linkBytes_ = 0;
    bool wantsClose_ = false;

    ImageRecord current_;
    std::uint64_t remaining_ = 0;
    bool imageStarted_ = false;
    double firstByteAt_ = 0;
    double lastByteAt_ = 0;
    std::uint64_t firstChunkBytes_ = 0;
    std::size_t keptBytes_ = 0;

    std::vector<ImageRecord> images_;
    std::vector<CommandLine> lines_;
    std::vector<std::string> log_;
};

} // namespace zarvex::unit
