// Closing the main window: at once when no upload transfer runs, after a Yes/No
// question while one does.

#include "app/startup.h"
#include "startup/startup_rig.h"

#include <gtest/gtest.h>

using namespace zarvex;
using namespace zarvex::test;

namespace {

const std::string kQuestion =
    "Loader GUI : Confirm Exit|File upload in progress.\rAre you sure you want to cancel "
    "upload and exit the application?";

std::string imageOf(std::size_t size) {
    std::string image(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        image[i] = char(i * 13 + 1);
    return image;
}

// An automatic run of a script that uploads an image of 6 blocks to the unit on COM1;
// `onUploadPump` runs once, at the first pump while the transfer is under way.
struct UploadRun {
    StartupRig rig;
    unit::UnitModel& unit = rig.unitOn(1);
    std::string image = imageOf(11000);
    std::optional<bool> closeAllowed;

    explicit UploadRun(std::deque<bool> answers) {
        rig.op.answers = std::move(answers);
        rig.automatic("_TC \"^M\"\n_LP 1\n_LF " + rig.writeFile("image.bin", image) +
                      "\n_LA 8000\n_LV 2.0\n_LD\n_SC \"AFTER\"\n");
        rig.clock.onPump.push_back([this] {
            if (!closeAllowed && !rig.app.state.uploadFinished && rig.progressDisplay.position >= 2)
                closeAllowed = rig.app.startup.FormCloseQuery();
        });
    }
};

TEST(CloseQuery, NoKeepsTheUploadRunning) {
    UploadRun run({false});
    run.rig.app.startup.FormShow();
    EXPECT_EQ(run.rig.op.questions, std::vector<std::string>{kQuestion});
    EXPECT_EQ(run.closeAllowed, false);
    EXPECT_TRUE(run.rig.exits.empty());
    ASSERT_EQ(run.unit.images().size(), 1u);
    EXPECT_EQ(run.unit.images()[0].verdict, unit::Verdict::Ok);
    EXPECT_NE(run.rig.port.written.find("AFTER"), std::string::npos) << "the script went on after the upload";
    EXPECT_TRUE(run.rig.pumpUntilEnded());
    EXPECT_EQ(run.rig.exits, std::vector<int>{0});
}

TEST(CloseQuery, YesEndsAtOnceAndAbandonsTheUpload) {
    UploadRun run({true});
    EXPECT_THROW(run.rig.app.startup.FormShow(), ProcessEnded);
    EXPECT_EQ(run.rig.op.questions, std::vector<std::string>{kQuestion});
    EXPECT_EQ(run.rig.exits, std::vector<int>{0});
    EXPECT_TRUE(run.unit.images().empty()) << "the image never completed";
    EXPECT_TRUE(run.unit.takingImage());
    EXPECT_EQ(run.rig.port.written.find("AFTER"), std::string::npos);
    EXPECT_FALSE(run.rig.port.isOpen()) << "the port is released with the process";
    EXPECT_FALSE(run.rig.view.hidden) << "automatic mode leaves the window as it is";
}

TEST(CloseQuery, WithoutAnUploadEndsWithoutAQuestion) {
    for (bool automatic : {false, true}) {
        StartupRig rig;
        rig.config(automatic ? std::map<int, std::string>{{8, "Mode=AUTOMATIC"}}
                             : std::map<int, std::string>{});
        rig.app.state.automaticMode = automatic;
        rig.app.state.waitingForReply = true;
        EXPECT_THROW(rig.app.startup.FormCloseQuery(), ProcessEnded);
        EXPECT_TRUE(rig.op.questions.empty());
        EXPECT_FALSE(rig.app.state.waitingForReply);
        EXPECT_EQ(rig.view.hidden, !automatic);
        EXPECT_EQ(rig.exits, std::vector<int>{0});
    }
}

TEST(CloseQuery, DuringAScriptButOutsideAnUploadEndsWithoutAQuestion) {
    StartupRig rig;
    rig.unitOn(1);
    rig.automatic("_SC \"ONE\"\n_DY 1\n_SC \"TWO\"\n");
    bool closed = false;
    rig.clock.onPump.push_back([&] {
        if (!closed && rig.port.written.find("ONE") != std::string::npos) {
            closed = true;
            rig.app.startup.FormCloseQuery();
        }
    });
    EXPECT_THROW(rig.app.startup.FormShow(), ProcessEnded);
    EXPECT_TRUE(rig.op.questions.empty());
    EXPECT_EQ(rig.port.written.find("TWO"), std::string::npos);
}

} // namespace
