#include "app/stderr_progress.h"

#include "upload/uploader.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <iostream>

namespace zarvex {

namespace {

std::int64_t steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string rateText(double bytesPerSecond) {
    std::array<char, 32> text{};
    if (bytesPerSecond >= 1024.0 * 1024.0)
        std::snprintf(text.data(), text.size(), "%.1f MiB/s", bytesPerSecond / (1024.0 * 1024.0));
    else
        std::snprintf(text.data(), text.size(), "%.1f KiB/s", bytesPerSecond / 1024.0);
    return text.data();
}

std::string durationText(std::int64_t seconds) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
    return text.data();
}

} // namespace

StderrProgress::StderrProgress() : StderrProgress(std::cerr, steadyMs) {}

StderrProgress::StderrProgress(std::ostream& out, NowMs nowMs) : out_(out), nowMs_(std::move(nowMs)) {}

void StderrProgress::showFacts(const ImageRecord& image, int) {
    visible_ = true;
    fileName_ = image.fileName.str();
    size_ = std::max<std::int64_t>(image.size, 0);
    steps_ = 0;
    printedSteps_ = -1;
    startMs_ = nowMs_();
    lastLineMs_ = startMs_;
}

// Every step but the last stands for a whole block; the last may be a partial one.
std::int64_t StderrProgress::bytesSent() const {
    return std::min<std::int64_t>(std::int64_t(steps_) * Uploader::kBlockSize, size_);
}

void StderrProgress::step() {
    ++steps_;
    const std::int64_t now = nowMs_();
    if (bytesSent() == size_ || now - lastLineMs_ >= kMinLineSpacingMs)
        print();
}

void StderrProgress::resetAndHide() {
    if (visible_ && steps_ != printedSteps_)
        print();
    visible_ = false;
    steps_ = 0;
}

std::string StderrProgress::progressLine() const {
    const std::int64_t sent = bytesSent();
    const int percent = size_ > 0 ? static_cast<int>(sent * 100 / size_) : 100;
    std::string line = "Upload " + fileName_ + ": " + std::to_string(sent) + " of " + std::to_string(size_) +
                       " bytes (" + std::to_string(percent) + "%)";
    const std::int64_t elapsedMs = nowMs_() - startMs_;
    if (elapsedMs <= 0 || sent <= 0)
        return line;
    const double rate = double(sent) * 1000.0 / double(elapsedMs);
    const auto left = static_cast<std::int64_t>(double(size_ - sent) / rate + 0.5);
    return line + ", " + rateText(rate) + ", " + durationText(left) + " left";
}

void StderrProgress::print() {
    out_ << progressLine() << '\n' << std::flush;
    printedSteps_ = steps_;
    lastLineMs_ = nowMs_();
}

} // namespace zarvex
