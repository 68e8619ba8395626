#pragma once
// The progress window of a headless run: a progress line on stderr with the bytes sent,
// the share done, the rate and the time left. Lines are spaced out so that a long
// transfer does not flood the log; the last state of a transfer is always printed.

#include "engine/views.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

namespace zarvex {

class StderrProgress : public ProgressDisplay {
public:
    using NowMs = std::function<std::int64_t()>;
    static constexpr std::int64_t kMinLineSpacingMs = 250;

    // Defaults: std::cerr and a monotonic clock.
    StderrProgress();
    StderrProgress(std::ostream& out, NowMs nowMs);

    void showFacts(const ImageRecord& image, int maximum) override;
    void step() override;
    void resetAndHide() override;
    bool isVisible() const override { return visible_; }

    // One progress line, without its line end: "name: 4000 of 4500 bytes (88%), ...".
    std::string progressLine() const;

private:
    void print();
    std::int64_t bytesSent() const;

    std::ostream& out_;
    NowMs nowMs_;
    bool visible_ = false;
    std::string fileName_;
    std::int64_t size_ = 0;
    int steps_ = 0;
    int printedSteps_ = -1;
    std::int64_t startMs_ = 0;
    std::int64_t lastLineMs_ = 0;
};

} // namespace zarvex
