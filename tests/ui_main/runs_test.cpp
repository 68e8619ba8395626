// Scripts and file sends started from the window, end to end against the virtual unit:
// the Stop action while they run, a cancelled dialog, and the same script twice.

#include "window_rig.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <numeric>

using namespace zarvex;
using namespace zarvex::test;

namespace {

const std::string kSuccess = "SUCCESS. Reading script file complete";
const std::string kTerminated = "Script file reading terminated by user/error(s).";

std::string patternBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 31 + i / 251 + 7) & 0xFF);
    return bytes;
}

unit::UnitConfig loaderUnit() {
    unit::UnitConfig config;
    config.startInLoaderMode = true;
    return config;
}

struct RunRig : WindowRig {
    unit::UnitModel unitModel = WindowRig::unitModel(loaderUnit());
    std::function<void()> duringUpload; // runs once, at the unit, when the first image block arrives
    bool stopShownWhileRunning = false;

    RunRig() {
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        openSerial(1, [this](std::string_view bytes) {
            stopShownWhileRunning = stopShownWhileRunning || stopButton()->isVisible();
            if (!state.uploadFinished && duringUpload) {
                auto once = std::move(duringUpload);
                duringUpload = nullptr;
                once();
            }
            return unitModel.receive(bytes);
        });
    }
    QPushButton* stopButton() { return control<QPushButton>("StopButton"); }
    void clickPick() { QTest::mouseClick(control<QPushButton>("PickButton"), Qt::LeftButton); }
    void chooseFile(const std::string& file) { op.files.push_back(file); }
};

TEST(WindowRuns, ScriptPickedFromTheWindowLoadsTheImage) {
    RunRig rig;
    const std::string image = patternBytes(4500);
    rig.writeFile("app.bin", image);
    rig.chooseFile(rig.writeFile("app.sld", "_TC \"^M\"\n_LF app.bin\n_LA 8000\n_LV 1.0\n_LD\n"));

    rig.clickPick();

    ASSERT_EQ(rig.unitModel.images().size(), 1u) << (rig.op.messages.empty() ? "" : rig.op.messages[0]);
    EXPECT_EQ(rig.unitModel.images()[0].verdict, unit::Verdict::Ok);
    EXPECT_TRUE(rig.unitModel.images()[0].bytes == image);
    EXPECT_EQ(rig.unitModel.images()[0].address, "8000");
    EXPECT_EQ(rig.window.statusText().toStdString(), kSuccess);
    EXPECT_TRUE(rig.op.messages.empty());
    EXPECT_TRUE(rig.stopShownWhileRunning);
    EXPECT_FALSE(rig.stopButton()->isVisible()) << "gone when the run ends";
    EXPECT_TRUE(rig.window.scriptButtonsEnabled());
    EXPECT_TRUE(rig.terminal().hasFocus());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the arrow is back";
    EXPECT_TRUE(rig.link.keepAliveTimer().enabled());
    // The unit's side of the exchange shows in the terminal.
    EXPECT_NE(rig.terminalText().find('>'), std::string::npos) << rig.terminalText();
}

TEST(WindowRuns, StopButtonAndEscStopAnUploadUnderWay) {
    using Stop = std::function<void(RunRig&)>;
    const std::vector<std::pair<const char*, Stop>> ways = {
        {"Stop button", [](RunRig& rig) { QTest::mouseClick(rig.stopButton(), Qt::LeftButton); }},
        {"Esc in the terminal", [](RunRig& rig) { QTest::keyClick(&rig.terminal(), Qt::Key_Escape); }},
    };
    for (const auto& [name, stop] : ways) {
        RunRig rig;
        const std::string image = patternBytes(20000);
        rig.writeFile("big.bin", image);
        rig.chooseFile(rig.writeFile("big.sld", "_LF big.bin\n_LA 8000\n_LV 1.0\n_LD\n_SC \"AFTER\"\n"));
        rig.duringUpload = [&rig, stop = stop] { stop(rig); };

        rig.clickPick();

        EXPECT_EQ(rig.progress.cancelRequested, 1) << name;
        EXPECT_EQ(rig.window.statusText().toStdString(), kTerminated) << name;
        // After the header, part of the image and nothing else: the Esc never reached the unit.
        const std::size_t header = rig.port.written.find("1.0\r");
        ASSERT_NE(header, std::string::npos) << name;
        const std::string sent = rig.port.written.substr(header + 4);
        const std::size_t blocks =
            std::accumulate(rig.port.blockSizes.begin(), rig.port.blockSizes.end(), 0u);
        EXPECT_LT(blocks, image.size()) << name;
        EXPECT_TRUE(sent.compare(0, blocks, image, 0, blocks) == 0) << name;
        EXPECT_EQ(sent.find('\x1b', blocks), std::string::npos) << name;
        EXPECT_TRUE(rig.unitModel.takingImage()) << name << ": the unit still waits for the rest";
        ASSERT_FALSE(rig.op.messages.empty()) << name;
        EXPECT_EQ(rig.op.messages[0].rfind("Upload cancelled/incomplete!!!", 0), 0u) << name;
        EXPECT_FALSE(rig.stopButton()->isVisible()) << name;
    }
}

TEST(WindowRuns, ManualSendFromTheHiddenEntry) {
    RunRig rig;
    const std::string bytes = patternBytes(2500);
    rig.chooseFile(rig.writeFile("raw.bin", bytes));
    QTest::mouseClick(rig.control<QLabel>("VersionLabel"), Qt::LeftButton);
    ASSERT_TRUE(rig.item("SendFile1")->isVisible());

    rig.item("SendFile1")->trigger();

    EXPECT_TRUE(rig.port.written == bytes) << "the file alone: no header before it, no prompt probe after it";
    EXPECT_TRUE(rig.unitModel.images().empty());
    EXPECT_TRUE(rig.op.messages.empty());
    EXPECT_TRUE(rig.window.scriptButtonsEnabled());
    EXPECT_EQ(rig.window.statusText().toStdString(), "Reading script file. Please wait....")
        << "the transfer's own status; no script ran";
}

TEST(WindowRuns, CancelledDialogChangesNothing) {
    RunRig rig;
    rig.window.showStatus("Established communication on COM 1");
    rig.link.keepAliveTimer().setEnabled(false);
    rig.op.files.push_back(std::nullopt);

    rig.clickPick();

    EXPECT_EQ(rig.op.dialogDirs.size(), 1u) << "the dialog was shown";
    EXPECT_EQ(rig.window.statusText().toStdString(), "Established communication on COM 1");
    EXPECT_EQ(rig.port.written, "");
    EXPECT_FALSE(rig.link.keepAliveTimer().enabled());
    EXPECT_FALSE(rig.stopShownWhileRunning);
    EXPECT_FALSE(rig.stopButton()->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(WindowRuns, SameScriptTwiceFromTheWindow) {
    RunRig rig;
    rig.writeFile("app.bin", patternBytes(3000));
    const std::string script = rig.writeFile("app.sld", "_LF app.bin\n_LA 8000\n_LV 1.0\n_LD\n");
    for (int run = 1; run <= 2; ++run) {
        rig.chooseFile(script);
        rig.clickPick();
        ASSERT_EQ(rig.unitModel.images().size(), std::size_t(run));
        EXPECT_EQ(rig.unitModel.images().back().verdict, unit::Verdict::Ok) << "run " << run;
        EXPECT_EQ(rig.state.lineIndex, 4) << "run " << run;
        EXPECT_EQ(rig.window.statusText().toStdString(), kSuccess) << "run " << run;
    }
    EXPECT_TRUE(rig.op.messages.empty());
}

} // namespace
