// The paced upload and the plain send: how a file is cut into blocks, what the window,
// menus and terminal show meanwhile, and how a failure part-way ends the transfer.

#include "upload_rig.h"

#include <QDir>
#include <QFile>

#include <cstdio>

#include <gtest/gtest.h>

using namespace zarvex;
using namespace zarvex::test;

namespace {

const char* const kReading = "Reading script file. Please wait....";

std::string cancelMessage(const std::string& file) {
    return "Upload cancelled/incomplete!!! Upload for " + file + " section was incomplete.";
}

struct SplitCase {
    int size;
    std::vector<int> uploadSends; // UploadButtonClick, 2000-byte blocks
    int barMaximum;
    int barSteps;
    std::vector<int> rawSends; // send_file_blocks, 4000-byte blocks
};

const std::vector<SplitCase> kSplitCases = {
    {0, {0}, 1, 1, {}},
    {1500, {1500}, 1, 1, {1500}},
    {1999, {1999}, 1, 1, {1999}},
    {2000, {2000}, 1, 1, {2000}},
    {2001, {2000, 1}, 1, 2, {2001}},
    {4000, {2000, 2000}, 2, 2, {4000}},
    {4500, {2000, 2000, 500}, 2, 3, {4000, 500}},
    {8000, {2000, 2000, 2000, 2000}, 4, 4, {4000, 4000, 0}},
    {9000, {2000, 2000, 2000, 2000, 1000}, 4, 5, {4000, 4000, 1000}},
};

TEST(BlockSplitting, UploadSendsWholeBlocksThenTheRemainderAndStepsTheBar) {
    for (const SplitCase& c : kSplitCases) {
        UploadRig rig;
        ImageFiles files;
        const std::string bytes = patternBytes(std::size_t(c.size));
        rig.state.image.fileName.assign(files.write("image.bin", bytes));
        rig.state.image.size = c.size;
        rig.openSerial(1, nullptr);
        rig.uploader.UploadButtonClick();

        EXPECT_EQ(rig.port.blockSizes, c.uploadSends) << c.size;
        EXPECT_TRUE(rig.port.written == bytes) << c.size;
        EXPECT_EQ(rig.progressDisplay.maximum, c.barMaximum) << c.size;
        EXPECT_EQ(rig.progressDisplay.positionsAtHide, std::vector<int>{c.barSteps}) << c.size;
        EXPECT_EQ(rig.state.blockCount, c.size / 2000) << c.size;
        EXPECT_TRUE(rig.op.messages.empty()) << c.size;
        EXPECT_EQ(rig.progress.cancelRequested, 0) << c.size;
    }
}

TEST(BlockSplitting, RawSendTakesTheSizeAnewAndSendsFourThousandByteBlocks) {
    for (const SplitCase& c : kSplitCases) {
        UploadRig rig;
        ImageFiles files;
        const std::string bytes = patternBytes(std::size_t(c.size));
        rig.state.image.fileName.assign(files.write("image.bin", bytes));
        rig.state.image.size = 123456; // stale: the raw send must not trust it
        rig.openSerial(1, nullptr);
        rig.uploader.send_file_blocks();

        EXPECT_EQ(rig.port.blockSizes, c.rawSends) << c.size;
        EXPECT_TRUE(rig.port.written == bytes) << c.size;
        EXPECT_EQ(rig.state.image.size, c.size);
        EXPECT_EQ(rig.progressDisplay.shows, 0) << "no progress window";
        EXPECT_TRUE(rig.clock.longSleeps.empty()) << "no pause";
        EXPECT_TRUE(rig.op.messages.empty()) << c.size;
    }
}

TEST(UploadSteps, ManualSendShowsTheWindowHidesTheMenusAndPausesWithoutPromptWait) {
    struct Case {
        char terminalDuringUpload;
        bool terminalEnabledDuring;
    };
    // Only NUL disables the terminal; the digit zero is an ordinary character.
    for (Case c : {Case{'\0', false}, Case{'0', true}, Case{1, true}}) {
        UploadRig rig;
        ImageFiles files;
        rig.state.image.fileName.assign(files.write("image.bin", patternBytes(4500)));
        rig.state.image.size = 4500;
        rig.state.terminalDuringUpload = c.terminalDuringUpload;
        rig.state.postUploadPause = 7000;
        struct During {
            bool window, configMenu, ethernetMenu, finished, terminal;
        };
        std::vector<During> during;
        rig.openSerial(1, [&](std::string_view) {
            during.push_back({rig.progressDisplay.visible, rig.view.configVisible, rig.view.ethernetVisible,
                              rig.state.uploadFinished, rig.view.terminalEnabled});
            return std::string();
        });
        rig.uploader.UploadButtonClick();

        ASSERT_EQ(during.size(), 3u);
        for (const During& d : during) {
            EXPECT_TRUE(d.window);
            EXPECT_FALSE(d.configMenu);
            EXPECT_FALSE(d.ethernetMenu);
            EXPECT_FALSE(d.finished);
            EXPECT_EQ(d.terminal, c.terminalEnabledDuring);
        }
        EXPECT_FALSE(rig.progressDisplay.visible);
        EXPECT_TRUE(rig.view.configVisible && rig.view.ethernetVisible && rig.view.terminalEnabled);
        EXPECT_TRUE(rig.state.uploadFinished);
        EXPECT_EQ(rig.view.statuses, std::vector<std::string>{kReading});
        EXPECT_EQ(rig.clock.longSleeps, (std::vector<int>{100, 7000}));
        EXPECT_EQ(rig.link.commandTimer().interval(), Link::kCommandTimerMs);
    }
}

TEST(UploadSteps, UnopenableFileIsReportedAndNothingIsSent) {
    UploadRig rig;
    ImageFiles files;
    const std::string missing = files.path("missing.bin");
    rig.state.image.fileName.assign(missing);
    rig.state.image.size = 4000;
    rig.state.scriptUpload = true;
    rig.openSerial(1, nullptr);
    rig.uploader.UploadButtonClick();
    EXPECT_EQ(rig.op.messages, std::vector<std::string>{"Error opening " + missing + ".\r"});
    EXPECT_TRUE(rig.port.written.empty());
    EXPECT_EQ(rig.progressDisplay.shows, 0);
    EXPECT_TRUE(rig.state.uploadFinished);
}

TEST(UploadFailures, SendFailureInBlockThreeOfTenStopsTheTransferAndTheScript) {
    UploadRig rig;
    ImageFiles files;
    const std::string image = files.write("image.bin", patternBytes(20000));
    unit::UnitModel unitModel = rig.unitModel(loaderModeUnit());
    int blocks = 0;
    rig.openSerial(1, [&](std::string_view bytes) {
        if (bytes.size() == 2000 && ++blocks == 3)
            rig.port.outputStuck = true; // the third block never leaves the port
        return unitModel.receive(bytes);
    });
    const int ran = rig.runLines({"_LF " + image, "_LA 8000", "_LV 1.0", "_LD", "_LP 9"});

    EXPECT_EQ(blocks, 3) << "blocks four to ten are not sent";
    EXPECT_EQ(rig.op.messages,
              (std::vector<std::string>{
                  "Error! Output Buffer never empties. Check RS232 connection. Cancel upload.",
                  cancelMessage(image),
                  // The prompt wait still runs; the unit waits for the rest of the image.
                  "Error! Unable to receive prompt after upload. Upload unsuccessful. Exiting script.",
              }));
    EXPECT_EQ(rig.view.statuses.at(1), "Waiting for prompt..");
    EXPECT_EQ(rig.progress.cancelRequested, 1);
    EXPECT_EQ(ran, 4) << "the script stops after _LD";
    EXPECT_EQ(rig.state.postUploadPause, 4000);
}

std::string headerOf(const LoaderState& s) {
    char text[160];
    std::snprintf(text, sizeof text, "LF %s %d %x %s\r", s.image.loadAddress.c_str(), int(s.image.size),
                  unsigned(s.image.checksum), s.image.versionText.c_str());
    return text;
}

TEST(UploadFailures, LinkDroppedMidUploadStopsWithoutSendingIntoNothing) {
    struct Case {
        const char* name;
        bool ethernet;
    };
    for (Case c : {Case{"serial", false}, Case{"tcp", true}}) {
        UploadRig rig;
        ImageFiles files;
        const std::string bytes = patternBytes(20000);
        const std::string image = files.write("image.bin", bytes);
        rig.describe(image);
        const std::string header = headerOf(rig.state);
        unit::UnitConfig config = loaderModeUnit();
        std::string* written = &rig.port.written;
        if (c.ethernet) {
            // The unit closes the connection after 5000 image bytes, in the third block;
            // before them it takes the probe (CR, then CR LF) and the header.
            config.echo = false;
            config.closeAfterBytes = long(3 + header.size() + 5000);
        }
        unit::UnitModel unitModel = rig.unitModel(config);
        if (c.ethernet) {
            rig.connectEthernet(3000, UploadRig::peerOf(unitModel));
            rig.socket.peerWantsClose = [&] { return unitModel.wantsClose(); };
            written = &rig.socket.written;
        } else {
            // The device goes away once the third block has reached it.
            rig.openSerial(1, UploadRig::peerOf(unitModel));
            rig.clock.onPump.push_back([&] {
                const auto at = written->find(header);
                if (at != std::string::npos && written->size() >= at + header.size() + 5000)
                    rig.port.close();
            });
        }
        const int ran = rig.runLines({"_LD", "_LF " + image});

        const auto at = written->find(header);
        ASSERT_NE(at, std::string::npos) << c.name;
        EXPECT_EQ(written->size() - at - header.size(), 6000u) << c.name << ": three blocks, then none";
        EXPECT_TRUE(written->compare(at + header.size(), 6000, bytes, 0, 6000) == 0) << c.name;
        EXPECT_EQ(rig.op.messages,
                  (std::vector<std::string>{"Error! Communications lost.", cancelMessage(image)}))
            << c.name;
        EXPECT_EQ(rig.progress.cancelRequested, 1) << c.name;
        EXPECT_EQ(ran, 1) << c.name;
        EXPECT_FALSE(rig.progressDisplay.visible) << c.name;
        EXPECT_TRUE(rig.state.uploadFinished) << c.name;
        EXPECT_TRUE(rig.view.configVisible && rig.view.ethernetVisible) << c.name;
    }
}

TEST(UploadFailures, FileThatShrankAfterItWasSummedSendsNoByteBeyondItsNewEnd) {
    struct Case {
        int summedSize;
        int sizeAtUpload;
        std::vector<int> sends;
    };
    const std::vector<Case> cases = {
        {20000, 5000, {2000, 2000}}, // a whole block comes up short
        {4500, 4200, {2000, 2000}},  // the remainder comes up short
        {1500, 1000, {}},            // the only, partial block comes up short
    };
    for (const Case& c : cases) {
        UploadRig rig;
        ImageFiles files;
        const std::string bytes = patternBytes(std::size_t(c.summedSize));
        const std::string image = files.write("image.bin", bytes);
        unit::UnitModel unitModel = rig.unitModel(loaderModeUnit());
        rig.openSerial(1, UploadRig::peerOf(unitModel));
        rig.describe(image);
        ASSERT_TRUE(QFile::resize(QString::fromStdString(image), c.sizeAtUpload));
        const int ran = rig.runLines({"_LD", "_LD"});

        EXPECT_EQ(rig.port.blockSizes, c.sends) << c.summedSize;
        ASSERT_EQ(unitModel.lines().size(), 2u) << "the probe and the header";
        EXPECT_EQ(unitModel.lines()[1].text + "\r", headerOf(rig.state));
        std::size_t sent = 0;
        for (int n : c.sends)
            sent += std::size_t(n);
        const auto imageAt = rig.port.written.find(" 1.0\r") + 5;
        EXPECT_TRUE(rig.port.written.compare(imageAt, sent, bytes, 0, sent) == 0);
        ASSERT_GE(rig.op.messages.size(), 2u);
        EXPECT_EQ(rig.op.messages[0], "Error! File " + image + " has become shorter than its " +
                                          std::to_string(c.summedSize) +
                                          " bytes since they were counted. Upload stopped.");
        EXPECT_EQ(rig.op.messages[1], cancelMessage(image));
        EXPECT_EQ(rig.progress.cancelRequested, 1);
        EXPECT_EQ(ran, 1);
    }
}

TEST(UploadFailures, RawSendStopsAtAFileThatShrinksOrCannotBeRead) {
    {
        UploadRig rig;
        ImageFiles files;
        const std::string image = files.write("image.bin", patternBytes(9000));
        rig.state.image.fileName.assign(image);
        rig.openSerial(1, [&](std::string_view) {
            QFile::resize(QString::fromStdString(image), 5000);
            return std::string();
        });
        rig.uploader.send_file_blocks();
        EXPECT_EQ(rig.port.blockSizes, std::vector<int>{4000});
        EXPECT_EQ(rig.op.messages, std::vector<std::string>{"Error! File " + image +
                                                            " has become shorter than its 9000 bytes since "
                                                            "they were counted. Upload stopped."});
        EXPECT_EQ(rig.progress.cancelRequested, 1);
    }
    {
        UploadRig rig;
        ImageFiles files;
        const std::string folder = files.path("folder");
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
        rig.state.image.fileName.assign(folder);
        rig.state.image.size = 4000; // stale
        rig.openSerial(1, nullptr);
        rig.uploader.send_file_blocks();
        EXPECT_TRUE(rig.port.blockSizes.empty());
        EXPECT_EQ(rig.op.messages,
                  std::vector<std::string>{"Error reading file " + folder + ". Unable to get file checksum"});
        EXPECT_EQ(rig.progress.cancelRequested, 1);
    }
}

} // namespace
