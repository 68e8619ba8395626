// The operator's choice of a script or of a file to send: what changes around a run,
// what a cancelled dialog leaves alone, and what the unit receives.

#include "support/engine_rig.h"
#include "upload/script_selection.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace zarvex;
using namespace zarvex::test;

namespace {

namespace fs = std::filesystem;

const std::string kSuccess = "SUCCESS. Reading script file complete";

// Bytes that differ from their neighbours, so that a shifted or repeated block shows.
std::string patternBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 31 + i / 251 + 7) & 0xFF);
    return bytes;
}

// What the loader looked like while the unit was being talked to.
struct DuringRun {
    bool keepAliveTimer = true;
    bool keepAliveAllowed = true;
    bool busy = false;
    int calls = 0;
};

struct SelectionRig : EngineRig {
    ScriptSelection selection{ctx, link, engine, uploader};
    fs::path startDir = fs::current_path();
    unit::UnitModel unitModel{loaderUnit(), [this] { return double(clock.nowMs()) / 1000.0; }};
    DuringRun during;
    std::vector<bool> runningChanges;

    SelectionRig() {
        selection.onRunningChanged = [this](bool on) { runningChanges.push_back(on); };
        openSerial(1, [this](std::string_view bytes) {
            during.keepAliveTimer = link.keepAliveTimer().enabled();
            during.keepAliveAllowed = state.keepAliveAllowed;
            during.busy = view.busy;
            ++during.calls;
            return unitModel.receive(bytes);
        });
    }
    // Choosing a file moves the process into its folder; the next test starts where we did.
    ~SelectionRig() { fs::current_path(startDir); }

    static unit::UnitConfig loaderUnit() {
        unit::UnitConfig config;
        config.startInLoaderMode = true;
        return config;
    }
    void choose(const std::optional<std::string>& file) { op.files.push_back(file); }
};

TEST(ClearScriptTable, EmptiesEveryRowAndBothIndexes) {
    LoaderState state;
    for (int r = 0; r < LoaderState::kScriptRows; ++r)
        state.row(r)[0] = '_';
    state.row(LoaderState::kScriptRows - 1)[LoaderState::kScriptColumns - 1] = 'x';
    state.lineIndex = 17;
    state.columnIndex = 42;
    clear_script_table(state);
    for (int r = 0; r < LoaderState::kScriptRows; ++r)
        ASSERT_EQ(std::string(state.row(r)), "") << "row " << r;
    EXPECT_EQ(state.row(LoaderState::kScriptRows - 1)[LoaderState::kScriptColumns - 1], '\0');
    EXPECT_EQ(state.lineIndex, 0);
    EXPECT_EQ(state.columnIndex, 0);
}

TEST(GetCurrentDir, IsTheAbsoluteWorkingDirectory) {
    SelectionRig rig;
    fs::current_path(rig.dir.path().toStdString());
    const std::string dir = get_current_dir();
    EXPECT_TRUE(fs::path(dir).is_absolute());
    EXPECT_TRUE(fs::equivalent(dir, rig.dir.path().toStdString()));
}

TEST(ScriptSelection, CancelledDialogChangesNothing) {
    using Click = void (ScriptSelection::*)();
    const std::vector<std::pair<const char*, Click>> handlers = {
        {"PickButtonClick", &ScriptSelection::PickButtonClick},
        {"SendFile1Click", &ScriptSelection::SendFile1Click},
    };
    for (const auto& [name, click] : handlers) {
        SelectionRig rig;
        rig.link.keepAliveTimer().setEnabled(false); // as after a keystroke: it must stay so
        rig.state.keepAliveAllowed = false;
        rig.state.row(0)[0] = '_';
        rig.state.lineIndex = 3;
        rig.state.scriptPath = "before.sld";
        rig.state.scriptUpload = true;
        rig.progress.cancelRequested = 1;
        rig.view.dialogDir = "from the configuration";
        rig.choose(std::nullopt);

        (rig.selection.*click)();

        EXPECT_EQ(rig.op.dialogDirs, std::vector<std::string>{rig.startDir.string()}) << name;
        EXPECT_FALSE(rig.link.keepAliveTimer().enabled()) << name;
        EXPECT_FALSE(rig.state.keepAliveAllowed) << name;
        EXPECT_FALSE(rig.view.busy) << name;
        EXPECT_EQ(rig.state.row(0)[0], '_') << name;
        EXPECT_EQ(rig.state.lineIndex, 3) << name;
        EXPECT_EQ(rig.state.scriptPath, "before.sld") << name;
        EXPECT_TRUE(rig.state.scriptUpload) << name;
        EXPECT_EQ(rig.progress.cancelRequested, 1) << name;
        EXPECT_EQ(rig.port.written, "") << name;
        EXPECT_EQ(fs::current_path(), rig.startDir) << name;
        EXPECT_TRUE(rig.runningChanges.empty()) << name;
        EXPECT_TRUE(rig.op.messages.empty()) << name;
    }
}

TEST(ScriptSelection, PickedScriptRunsWithItsFolderAsCurrentDirectory) {
    SelectionRig rig;
    const std::string image = patternBytes(4500);
    rig.writeFile("image.bin", image);
    // The image is named relative to the script: it is found because the folder follows the choice.
    const std::string script = rig.writeFile("load.sld", "_LF image.bin\n_LA 8000\n_LV 1.0\n_LD\n");
    rig.link.keepAliveTimer().setEnabled(false);
    rig.choose(script);

    rig.selection.PickButtonClick();

    ASSERT_EQ(rig.unitModel.images().size(), 1u) << (rig.op.messages.empty() ? "" : rig.op.messages[0]);
    EXPECT_EQ(rig.unitModel.images()[0].verdict, unit::Verdict::Ok);
    EXPECT_TRUE(rig.unitModel.images()[0].bytes == image);
    EXPECT_EQ(rig.view.status, kSuccess);
    EXPECT_TRUE(rig.op.messages.empty());
    EXPECT_TRUE(fs::equivalent(fs::current_path(), rig.dir.path().toStdString()));
    EXPECT_TRUE(fs::path(rig.state.scriptPath).is_absolute());
    EXPECT_TRUE(fs::equivalent(rig.state.scriptPath, script));
    EXPECT_EQ(rig.view.dialogDir, "") << "the dialog's folder is emptied after a choice";
    // Paused while the unit was talked to, running again afterwards (even if it was off before).
    EXPECT_GT(rig.during.calls, 0);
    EXPECT_FALSE(rig.during.keepAliveTimer);
    EXPECT_FALSE(rig.during.keepAliveAllowed);
    EXPECT_TRUE(rig.during.busy);
    EXPECT_TRUE(rig.link.keepAliveTimer().enabled());
    EXPECT_TRUE(rig.state.keepAliveAllowed);
    EXPECT_FALSE(rig.view.busy);
    EXPECT_EQ(rig.runningChanges, (std::vector<bool>{true, false}));
}

TEST(ScriptSelection, NextDialogStartsInTheFolderOfTheLastChoice) {
    SelectionRig rig;
    const std::string script = rig.writeFile("empty.sld", "");
    rig.choose(script);
    rig.choose(std::nullopt);
    rig.selection.PickButtonClick();
    rig.selection.PickButtonClick();
    ASSERT_EQ(rig.op.dialogDirs.size(), 2u);
    EXPECT_EQ(rig.op.dialogDirs[0], rig.startDir.string());
    EXPECT_TRUE(fs::equivalent(rig.op.dialogDirs[1], rig.dir.path().toStdString()));
}

TEST(ScriptSelection, SameScriptTwiceStartsCleanAfterAStoppedRun) {
    SelectionRig rig;
    const std::string script = rig.writeFile("twice.sld", "_SC \"A\"\n_DM \"check the unit\"\n_SC \"B\"\n");
    // The first run is stopped at its dialog, as the Stop action or a failure stops it.
    rig.op.onMessage = [&](const std::string&) { rig.progress.CancelButtonClick(); };
    rig.choose(script);
    rig.selection.PickButtonClick();
    EXPECT_EQ(rig.port.written, "A\r");
    EXPECT_EQ(rig.progress.cancelRequested, 1);
    EXPECT_EQ(rig.view.status, "Script file reading terminated by user/error(s).");

    rig.op.onMessage = nullptr;
    rig.port.written.clear();
    rig.choose(script);
    rig.selection.PickButtonClick();

    EXPECT_EQ(rig.port.written, "A\rB\r");
    EXPECT_EQ(rig.state.lineIndex, 3) << "rows counted from 0 again";
    EXPECT_EQ(std::string(rig.state.row(3)), "") << "nothing left over from the first run";
    EXPECT_EQ(rig.progress.cancelRequested, 0);
    EXPECT_EQ(rig.view.status, kSuccess);
}

TEST(ManualSend, SendsTheFileAsItIsWithoutHeaderOrPromptWait) {
    SelectionRig rig;
    const std::string bytes = patternBytes(4500);
    const std::string file = rig.writeFile("raw.bin", bytes);
    rig.state.scriptUpload = true; // left over from a script's _LD: the manual send clears it
    rig.choose(file);

    rig.selection.SendFile1Click();

    EXPECT_TRUE(rig.op.messages.empty()) << rig.op.messages[0];
    EXPECT_TRUE(rig.port.written == bytes) << "only the file's bytes, nothing before or after";
    EXPECT_EQ(rig.port.blockSizes, (std::vector<int>{2000, 2000, 500}));
    EXPECT_TRUE(rig.unitModel.images().empty()) << "no load header";
    EXPECT_FALSE(rig.state.scriptUpload);
    EXPECT_TRUE(fs::equivalent(rig.state.image.fileName.str(), file));
    EXPECT_EQ(rig.state.image.size, 4500);
    // Right after start-up the progress window shows empty address and date fields.
    EXPECT_EQ(rig.progressDisplay.shows, 1);
    EXPECT_EQ(rig.progressDisplay.shown.loadAddress.str(), "");
    EXPECT_EQ(rig.progressDisplay.shown.versionText.str(), "");
    EXPECT_FALSE(rig.during.keepAliveTimer);
    EXPECT_TRUE(rig.link.keepAliveTimer().enabled());
    EXPECT_TRUE(rig.state.keepAliveAllowed);
    EXPECT_FALSE(rig.view.busy);
    EXPECT_TRUE(rig.view.buttons) << "a manual send leaves the buttons alone";
    EXPECT_EQ(rig.view.buttonChanges, 0);
}

TEST(ManualSend, RefusedOrFailedSendsSendNothing) {
    struct Case {
        const char* name;
        std::function<std::string(SelectionRig&)> choose; // the name the dialog returns
        std::string messagePrefix;
        bool ranAtAll; // steps around the run (hourglass, keep-alive) happened
    };
    const std::vector<Case> cases = {
        {"name longer than the image record holds",
         [](SelectionRig& rig) { return rig.path(std::string(320, 'n') + ".bin"); }, "Error! The file name ",
         false},
        {"file that cannot be read", [](SelectionRig& rig) { return rig.path("absent.bin"); },
         "Error opening file ", true},
    };
    for (const Case& c : cases) {
        SelectionRig rig;
        rig.link.keepAliveTimer().setEnabled(false);
        rig.state.image.fileName.assign("previous.bin");
        rig.state.image.size = 1234; // a stale size must never decide what is sent
        rig.choose(c.choose(rig));

        rig.selection.SendFile1Click();

        ASSERT_EQ(rig.op.messages.size(), 1u) << c.name;
        EXPECT_EQ(rig.op.messages[0].rfind(c.messagePrefix, 0), 0u) << c.name << ": " << rig.op.messages[0];
        EXPECT_EQ(rig.port.written, "") << c.name;
        EXPECT_EQ(rig.progressDisplay.shows, 0) << c.name;
        EXPECT_FALSE(rig.view.busy) << c.name;
        EXPECT_EQ(rig.link.keepAliveTimer().enabled(), c.ranAtAll) << c.name;
        if (!c.ranAtAll) {
            EXPECT_EQ(rig.state.image.fileName.str(), "previous.bin") << c.name;
        }
    }
}

TEST(ScriptSelection, NoSecondRunWhileAnUploadIsUnderWay) {
    using Click = void (ScriptSelection::*)();
    for (Click click : {&ScriptSelection::PickButtonClick, &ScriptSelection::SendFile1Click}) {
        SelectionRig rig;
        rig.writeFile("image.bin", patternBytes(2500));
        const std::string script = rig.writeFile("s.sld", "_LF image.bin\n_LA 8000\n_LV 1.0\n_LD\n");
        // Mid-transfer, the operator asks for another run.
        bool asked = false;
        rig.port.peers[1] = [&](std::string_view bytes) {
            if (!asked && !rig.state.uploadFinished) {
                asked = true;
                (rig.selection.*click)();
            }
            return rig.unitModel.receive(bytes);
        };
        rig.choose(script);
        rig.selection.PickButtonClick();

        EXPECT_TRUE(asked);
        ASSERT_EQ(rig.op.messages.size(), 1u);
        EXPECT_EQ(rig.op.messages[0].rfind("Note: A script or file transfer is already running", 0), 0u);
        EXPECT_EQ(rig.op.dialogDirs.size(), 1u) << "no second dialog";
        ASSERT_EQ(rig.unitModel.images().size(), 1u);
        EXPECT_EQ(rig.unitModel.images()[0].verdict, unit::Verdict::Ok) << "the image went through whole";
    }
}

} // namespace
