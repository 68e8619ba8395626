// The headless progress line: bytes, share, rate and time left, spaced out in time,
// with the last state of every transfer printed.

#include "app/stderr_progress.h"
#include "upload/progress.h"

#include "support/recording_clock.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace zarvex;
using namespace zarvex::test;

namespace {

struct Headless {
    RecordingClock clock;
    std::ostringstream out;
    StderrProgress display{out, [this] { return clock.nowMs(); }};
    Progress progress{clock, display};

    // Shows the window for an image and steps it `steps` times, `stepMs` apart.
    void run(int size, int steps, int stepMs) {
        ImageRecord image;
        image.fileName.assign("fw.bin");
        image.size = size;
        progress.ShowProgressForm(size / 2000, image);
        for (int i = 0; i < steps; ++i) {
            clock.advance(stepMs);
            progress.step();
        }
        progress.HideProgressForm();
    }
    std::vector<std::string> lines() const {
        std::vector<std::string> result;
        std::istringstream in(out.str());
        for (std::string line; std::getline(in, line);)
            result.push_back(line);
        return result;
    }
};

TEST(HeadlessProgress, PrintsBytesShareRateAndTimeLeft) {
    Headless h;
    h.run(9000, 2, 1000); // 4000 bytes in 2 s, then the window hides: a cancelled transfer
    EXPECT_EQ(h.lines(), (std::vector<std::string>{
                             "Upload fw.bin: 2000 of 9000 bytes (22%), 2.0 KiB/s, 0:04 left",
                             "Upload fw.bin: 4000 of 9000 bytes (44%), 2.0 KiB/s, 0:03 left",
                         }));
    EXPECT_FALSE(h.display.isVisible());
}

TEST(HeadlessProgress, FastStepsAreThinnedButTheFinalLineAlwaysComes) {
    struct Case {
        int size, steps, stepMs;
        std::size_t lines;
        std::string last;
    };
    const std::vector<Case> cases = {
        // 51 steps 10 ms apart: a line every 250 ms at most, and the final one.
        {101000, 51, 10, 3, "Upload fw.bin: 101000 of 101000 bytes (100%), 193.4 KiB/s, 0:00 left"},
        {4500, 3, 1, 1, "Upload fw.bin: 4500 of 4500 bytes (100%), 1.4 MiB/s, 0:00 left"},
        {0, 1, 0, 1, "Upload fw.bin: 0 of 0 bytes (100%)"},
    };
    for (const Case& c : cases) {
        Headless h;
        h.run(c.size, c.steps, c.stepMs);
        const auto lines = h.lines();
        EXPECT_EQ(lines.size(), c.lines) << c.size;
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), c.last) << c.size;
    }
}

} // namespace
