// The wait for the loader prompt after a script upload: its length W from the image
// size, its three attempts with their limits, and what a unit that never answers costs.

#include "upload_rig.h"

#include <gtest/gtest.h>

using namespace zarvex;
using namespace zarvex::test;

namespace {

const std::string kNoPrompt =
    "Error! Unable to receive prompt after upload. Upload unsuccessful. Exiting script.";
const std::vector<std::string> kStatuses = {
    "Reading script file. Please wait....",
    "Waiting for prompt..",
    "Waiting for prompt....",
    "Waiting for prompt......",
    "Waiting for prompt........",
};

// What the loader had set up when it sent each probe after the image.
struct Attempt {
    std::int64_t atMs;
    int limit;
    int timerInterval;
    char awaited;
};

struct WaitRig : UploadRig {
    ImageFiles files;
    std::vector<Attempt> attempts;
    int answerAttempt = 0; // the attempt the unit answers (1-based); 0 never

    // A unit behind either link that takes the image and answers only the chosen probe.
    Peer unit() {
        return [this](std::string_view bytes) -> std::string {
            if (bytes != "\r")
                return "";
            attempts.push_back(
                {clock.nowMs(), state.promptWaitLimit, link.commandTimer().interval(), state.awaitedPrompt});
            return int(attempts.size()) == answerAttempt ? "\r\n>" : "";
        };
    }
    void upload(int size, bool ethernet) {
        state.image.fileName.assign(files.write("image.bin", patternBytes(std::size_t(size))));
        state.image.size = size;
        state.scriptUpload = true;
        state.awaitedPrompt = '#'; // the wait must look for the loader prompt itself
        if (ethernet)
            connectEthernet(3000, unit());
        else
            openSerial(1, unit());
        uploader.UploadButtonClick();
    }
};

TEST(PromptWait, LengthGrowsWithTheImageSize) {
    struct Case {
        int size;
        int w;
    };
    for (Case c : {Case{0, 1000}, Case{2000, 1011}, Case{1048576, 6987}}) {
        EXPECT_EQ(Uploader::promptWaitMs(c.size), c.w) << c.size;
        WaitRig rig;
        rig.answerAttempt = 1;
        rig.upload(c.size, false);
        ASSERT_EQ(rig.attempts.size(), 1u) << c.size;
        EXPECT_EQ(rig.attempts[0].limit, c.w + 120) << "ticks of 55 ms, not milliseconds";
        EXPECT_EQ(rig.attempts[0].awaited, '>');
        const std::vector<int> tail(rig.clock.longSleeps.end() - 3, rig.clock.longSleeps.end());
        EXPECT_EQ(tail, (std::vector<int>{c.w / 2, c.w / 2, 100})) << c.size;
        // A prompt that came keeps the computed limit in force.
        EXPECT_EQ(rig.state.promptWaitLimit, c.w + 120);
        EXPECT_EQ(rig.link.commandTimer().interval(), 14000);
        EXPECT_EQ(rig.progress.cancelRequested, 0);
        EXPECT_TRUE(rig.op.messages.empty());
    }
}

TEST(PromptWait, UnitThatNeverAnswersGetsThreeAttemptsThenStopsTheScript) {
    struct Case {
        const char* name;
        bool ethernet;
        int size;
        std::int64_t attemptMs; // how long one unanswered attempt lasts
        int timerDuringWait;    // CommandTimer interval while the attempts run
        std::int64_t beforeThirdMs;
    };
    const int w0 = 1000, w2000 = 1011;
    const std::vector<Case> cases = {
        // Serial: the port waits the limit in 55 ms ticks.
        {"serial", false, 2000, std::int64_t(w2000 + 120) * 55, Link::kCommandTimerMs, 0},
        // Ethernet: CR, 200 ms, CR LF, 6000 passes of 1 ms, 100 ms.
        {"ethernet", true, 0, 200 + 6000 + 100, w0 + 14000, 2000},
    };
    for (const Case& c : cases) {
        WaitRig rig;
        rig.upload(c.size, c.ethernet);
        const int w = Uploader::promptWaitMs(c.size);

        ASSERT_EQ(rig.attempts.size(), 3u) << c.name;
        EXPECT_EQ(rig.attempts[1].atMs - rig.attempts[0].atMs, c.attemptMs + 2500) << c.name;
        EXPECT_EQ(rig.attempts[2].atMs - rig.attempts[1].atMs, c.attemptMs + c.beforeThirdMs) << c.name;
        const int limits[] = {w + 120, w + 120, 400};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(rig.attempts[i].limit, limits[i]) << c.name << " attempt " << i + 1;
            EXPECT_EQ(rig.attempts[i].timerInterval, c.timerDuringWait) << c.name << " attempt " << i + 1;
            EXPECT_EQ(rig.attempts[i].awaited, '>') << c.name;
        }
        EXPECT_EQ(rig.view.statuses, kStatuses) << c.name;
        EXPECT_EQ(rig.op.messages, std::vector{kNoPrompt}) << c.name;
        EXPECT_EQ(rig.progress.cancelRequested, 1) << c.name;
        EXPECT_EQ(rig.state.promptWaitLimit, 400) << c.name;
        EXPECT_EQ(rig.link.commandTimer().interval(), 14000) << c.name;
    }
}

TEST(PromptWait, SecondAttemptThatSucceedsEndsTheWaitQuietly) {
    WaitRig rig;
    rig.answerAttempt = 2;
    rig.upload(4500, false);
    EXPECT_EQ(rig.attempts.size(), 2u);
    EXPECT_EQ(rig.view.statuses, kStatuses);
    EXPECT_TRUE(rig.op.messages.empty());
    EXPECT_EQ(rig.progress.cancelRequested, 0);
    EXPECT_EQ(rig.state.promptWaitLimit, Uploader::promptWaitMs(4500) + 120);
}

TEST(PromptWait, LinkGoneDuringTheWaitAlsoReportsLostCommunications) {
    WaitRig rig;
    rig.clock.onPump.push_back([&] {
        if (rig.attempts.size() == 1)
            rig.port.close();
    });
    rig.upload(100, false);
    EXPECT_EQ(rig.attempts.size(), 1u) << "no link, no further probe";
    EXPECT_EQ(rig.op.messages, (std::vector<std::string>{kNoPrompt, "Error! Communications lost."}));
    EXPECT_EQ(rig.progress.cancelRequested, 1);
}

} // namespace
