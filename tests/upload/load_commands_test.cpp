// The load commands: the chain of arming flags, the load header, the pause and the
// limits of the image record, and the prompt check before an upload.

#include "upload_rig.h"

#include <QDateTime>
#include <QFile>

#include <gtest/gtest.h>

using namespace zarvex;
using namespace zarvex::test;

namespace {

// A unit in loader mode that answers every probe with its prompt and ignores the rest.
std::string promptOnProbe(std::string_view bytes) {
    return bytes == "\r" ? "\r\n>" : "";
}

TEST(ArmingChain, OnlyACompleteChainSendsAHeaderAndUploads) {
    struct Case {
        const char* name;
        std::vector<std::string> lines; // "IMG" stands for the image file
        std::vector<int> sends;         // 2000-byte blocks: upload; 4000-byte blocks: raw send
        int headers;
        std::string armed; // the one flag of the chain that is set afterwards, if any
    };
    const std::vector<Case> cases = {
        {"_LF _LD sends raw", {"_LF IMG", "_LD"}, {4000, 500}, 0, "named"},
        {"whole chain, then raw",
         {"_LF IMG", "_LA 8000", "_LV 1.0", "_LD", "_LD"},
         {2000, 2000, 500, 4000, 500},
         1,
         ""},
        {"chain ends at _LA", {"_LF IMG", "_LA 8000", "_LD"}, {4000, 500}, 0, "summed"},
        {"unarmed _LA and _LV are ignored", {"_LA 8000", "_LV 1.0"}, {}, 0, ""},
        {"_LV without _LA is ignored", {"_LF IMG", "_LV 1.0", "_LD"}, {4000, 500}, 0, "named"},
        {"armed _LA without argument disarms", {"_LF IMG", "_LA", "_LV 1.0", "_LD"}, {4000, 500}, 0, ""},
        {"armed _LV without argument disarms", {"_LF IMG", "_LA 8000", "_LV", "_LD"}, {4000, 500}, 0, ""},
        {"described, not yet sent", {"_LF IMG", "_LA 8000", "_LV 1.0"}, {}, 0, "described"},
    };
    for (const Case& c : cases) {
        UploadRig rig;
        ImageFiles files;
        const std::string bytes = patternBytes(4500);
        const std::string image = files.write("image.bin", bytes);
        unit::UnitModel unitModel = rig.unitModel(loaderModeUnit());
        rig.openSerial(1, UploadRig::peerOf(unitModel));
        std::vector<std::string> lines;
        for (std::string line : c.lines) {
            if (const auto at = line.find("IMG"); at != std::string::npos)
                line.replace(at, 3, image);
            lines.push_back(line);
        }
        rig.runLines(lines);

        EXPECT_EQ(rig.port.blockSizes, c.sends) << c.name;
        ASSERT_EQ(int(unitModel.images().size()), c.headers) << c.name;
        if (c.headers == 1) {
            EXPECT_EQ(unitModel.images()[0].verdict, unit::Verdict::Ok);
            EXPECT_TRUE(unitModel.images()[0].bytes == bytes);
        }
        EXPECT_EQ(rig.progressDisplay.shows, c.headers) << c.name;
        EXPECT_EQ(rig.state.imageNamed, c.armed == "named") << c.name;
        EXPECT_EQ(rig.state.imageSummed, c.armed == "summed") << c.name;
        EXPECT_EQ(rig.state.imageDescribed, c.armed == "described") << c.name;
        EXPECT_TRUE(rig.op.messages.empty()) << c.name;
        EXPECT_EQ(rig.progress.cancelRequested, 0) << c.name;
    }
}

TEST(ArmingChain, DisarmingCommandsLeaveTheRecordAsItWas) {
    UploadRig rig;
    ImageFiles files;
    const std::string image = files.write("image.bin", std::string(300, '\xFF'));
    rig.describe(image, "8000", "1.0");
    rig.runLines({"_LF " + image, "_LA", "_LV 2.0"});
    EXPECT_EQ(rig.state.image.loadAddress.str(), "8000");
    EXPECT_EQ(rig.state.image.versionText.str(), "1.0");
    EXPECT_EQ(rig.state.image.size, 300);
    EXPECT_EQ(rig.state.image.checksum, 0x2AD4u);
}

TEST(LoadHeader, CarriesWordAddressDecimalSizeSmallHexChecksumAndVersion) {
    // 26 bytes of 0xFF and one of 69 sum to 6699 (0x1a2b).
    std::string sums6699(1024, '\0');
    std::fill_n(sums6699.begin(), 26, '\xFF');
    sums6699[26] = char(69);
    struct Case {
        const char* name;
        std::vector<std::string> setup;
        std::string bytes;
        std::string address, version, header;
    };
    const std::vector<Case> cases = {
        {"example", {}, sums6699, "8000", "1.0", "LF 8000 1024 1a2b 1.0\r"},
        {"checksum without leading zeros",
         {},
         std::string(300, '\xFF'),
         "0x10000",
         "v2.1b-rc",
         "LF 0x10000 300 2ad4 V2.1B-RC\r"},
        {"empty file", {}, "", "8000", "1.0", "LF 8000 0 0 1.0\r"},
        {"changed word", {"_LC \"LOAD\""}, "ab", "A0 B1", "x y", "LOAD A0 B1 2 c3 X Y\r"},
        {"empty word begins with a blank", {"_LC \"\""}, "a", "8000", "1", " 8000 1 61 1\r"},
    };
    for (const Case& c : cases) {
        UploadRig rig;
        ImageFiles files;
        const std::string image = files.write("image.bin", c.bytes);
        rig.openSerial(1, promptOnProbe);
        rig.runLines(c.setup);
        rig.describe(image, c.address, c.version);
        rig.runLines({"_LD"});
        EXPECT_EQ(rig.port.written.substr(0, 1 + c.header.size() + c.bytes.size()), "\r" + c.header + c.bytes)
            << c.name;
        EXPECT_TRUE(rig.op.messages.empty()) << c.name;
    }
}

TEST(LoadHeader, VersionDateInAnyCaseIsTheFilesDateStamp) {
    struct Case {
        const char* argument;
        const char* version;
    };
    const std::vector<Case> cases = {
        {"DATE", "12/25/2006_14:30:46"},
        {"date", "12/25/2006_14:30:46"},
        {"dAtE", "12/25/2006_14:30:46"},
        {"DATE ", "DATE "}, // trailing blanks are part of the text
        {"update", "UPDATE"},
    };
    for (const Case& c : cases) {
        UploadRig rig;
        ImageFiles files;
        const std::string image = files.write("image.bin", "abc");
        QFile f(QString::fromStdString(image));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime(QDate(2006, 12, 25), QTime(14, 30, 47)),
                                  QFileDevice::FileModificationTime));
        f.close();
        rig.openSerial(1, promptOnProbe);
        rig.describe(image, "8000", c.argument);
        EXPECT_TRUE(rig.state.imageDescribed) << c.argument;
        rig.runLines({"_LD"});
        const std::string header = std::string("\rLF 8000 3 126 ") + c.version + "\r";
        EXPECT_EQ(rig.port.written.substr(0, header.size()), header) << c.argument;
    }
}

TEST(LoadHeader, DateOfAFileGoneSinceItWasSummedKeepsTheTextAndStillArms) {
    UploadRig rig;
    ImageFiles files;
    const std::string image = files.write("image.bin", "abc");
    rig.runLines({"_LF " + image, "_LA 8000"});
    QFile::remove(QString::fromStdString(image));
    rig.runLines({"_LV date"});
    EXPECT_EQ(rig.op.messages, std::vector<std::string>{"Error opening file " + image});
    EXPECT_EQ(rig.state.image.versionText.str(), "DATE");
    EXPECT_TRUE(rig.state.imageDescribed);
}

TEST(PauseCommand, SetsSecondsAndKeepsThePauseForZeroOrBadNumbers) {
    const std::string refused =
        "Error! _LP takes a pause of 1 to 2147483 seconds. The pause after an upload stays at 4 seconds.";
    struct Case {
        const char* line;
        int pause;
        bool message;
    };
    const std::vector<Case> cases = {
        {"_LP 10", 10000, false},    {"_LP   7xyz", 7000, false},
        {"_LP +3", 3000, false},     {"_LP 0", 4000, false},
        {"_LP", 4000, false},        {"_LP abc", 4000, false},
        {"_LP -5", 4000, true},      {"_LP 2147483", 2147483000, false},
        {"_LP 2147484", 4000, true}, {"_LP 99999999999999", 4000, true},
    };
    for (const Case& c : cases) {
        UploadRig rig;
        rig.runLines({c.line});
        EXPECT_EQ(rig.state.postUploadPause, c.pause) << c.line;
        EXPECT_EQ(rig.op.messages, c.message ? std::vector{refused} : std::vector<std::string>{}) << c.line;
        EXPECT_EQ(rig.progress.cancelRequested, 0) << c.line;
    }
}

TEST(FileCommand, NamesTheFileWithItsTrailingBlanksAndArmsOnlyWhenItOpens) {
    UploadRig rig;
    ImageFiles files;
    const std::string spaced = files.write("image.bin  ", "x");
    rig.runLines({"_LF   " + spaced});
    EXPECT_EQ(rig.state.image.fileName.str(), spaced);
    EXPECT_TRUE(rig.state.imageNamed);

    const std::string missing = files.path("missing.bin");
    rig.runLines({"_LF " + missing});
    EXPECT_EQ(rig.op.messages,
              std::vector<std::string>{"Error! Unable to open file " + missing + ". Cannot upload file."});
    EXPECT_EQ(rig.state.image.fileName.str(), missing);
    EXPECT_TRUE(rig.state.imageNamed) << "a failed _LF keeps the flag";
    EXPECT_EQ(rig.progress.cancelRequested, 0);
}

TEST(ImageRecordLimits, LongerArgumentsAreRefusedNotCut) {
    ImageFiles files;
    const std::string image = files.path("image.bin");
    files.write("image.bin", "abc");
    const std::string longName = image + "/" + std::string(299 - image.size(), 'n');
    using Field = std::string (*)(const ImageRecord&);
    const Field fileName = [](const ImageRecord& r) { return r.fileName.str(); };
    const Field address = [](const ImageRecord& r) { return r.loadAddress.str(); };
    const Field version = [](const ImageRecord& r) { return r.versionText.str(); };
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        Field field;
        std::string stored;
        std::string message; // empty: accepted
    };
    const std::string tail = " characters. Cannot upload file. Exiting script.";
    const std::vector<Case> cases = {
        {"file name of 300",
         {"_LF " + longName},
         fileName,
         "old.bin",
         "Error! File name is longer than 299" + tail},
        {"address of 49", {"_LF " + image, "_LA " + std::string(49, 'a')}, address, std::string(49, 'a'), ""},
        {"address of 50",
         {"_LF " + image, "_LA " + std::string(50, 'a')},
         address,
         "old",
         "Error! Load address is longer than 49" + tail},
        {"version of 89",
         {"_LF " + image, "_LA 8000", "_LV " + std::string(89, 'v')},
         version,
         std::string(89, 'V'),
         ""},
        {"version of 90",
         {"_LF " + image, "_LA 8000", "_LV " + std::string(90, 'v')},
         version,
         "OLD",
         "Error! Version text is longer than 89" + tail},
    };
    for (const Case& c : cases) {
        UploadRig rig;
        rig.state.image.fileName.assign("old.bin");
        rig.state.image.loadAddress.assign("old");
        rig.state.image.versionText.assign("OLD");
        rig.state.imageNamed = true; // left over from an earlier _LF
        rig.runLines(c.lines);
        const bool refused = !c.message.empty();
        EXPECT_EQ(c.field(rig.state.image), c.stored) << c.name;
        EXPECT_EQ(rig.op.messages, refused ? std::vector{c.message} : std::vector<std::string>{}) << c.name;
        EXPECT_EQ(rig.progress.cancelRequested, refused ? 1 : 0) << c.name;
        if (refused) {
            EXPECT_FALSE(rig.state.imageNamed || rig.state.imageSummed || rig.state.imageDescribed) << c.name;
        }
    }
}

TEST(PromptBeforeUpload, LoaderPromptIsTriedWhenTheAwaitedOneDoesNotCome) {
    UploadRig rig;
    ImageFiles files;
    const std::string image = files.write("image.bin", patternBytes(100));
    std::vector<std::int64_t> probes;
    rig.openSerial(1, [&](std::string_view bytes) {
        if (bytes == "\r")
            probes.push_back(rig.clock.nowMs());
        return promptOnProbe(bytes);
    });
    rig.state.set_prompt(rig.state.normalPrompt);
    rig.describe(image);
    EXPECT_EQ(rig.loads.LD(), 1);
    ASSERT_GE(probes.size(), 2u);
    EXPECT_EQ(probes[1] - probes[0], 130 * 55) << "the first probe waits 130 ticks";
    EXPECT_EQ(rig.state.awaitedPrompt, '>');
    EXPECT_EQ(rig.progressDisplay.shows, 1);
    EXPECT_TRUE(rig.op.messages.empty());
}

TEST(PromptBeforeUpload, NoPromptStopsTheScriptBeforeAnyHeader) {
    UploadRig rig;
    ImageFiles files;
    const std::string image = files.write("image.bin", patternBytes(100));
    std::vector<std::pair<std::int64_t, int>> probes;
    rig.openSerial(1, [&](std::string_view bytes) {
        probes.emplace_back(rig.clock.nowMs(), rig.state.promptWaitLimit);
        (void)bytes;
        return std::string();
    });
    rig.describe(image);
    EXPECT_EQ(rig.loads.LD(), 0);
    EXPECT_EQ(rig.port.written, "\r\r");
    ASSERT_EQ(probes.size(), 2u);
    EXPECT_EQ(probes[0].second, 130);
    EXPECT_EQ(probes[1].second, 130);
    EXPECT_EQ(probes[1].first - probes[0].first, 130 * 55);
    EXPECT_EQ(rig.op.messages,
              std::vector<std::string>{"Error! Unable to receive prompt before upload.... Exiting script."});
    EXPECT_EQ(rig.state.promptWaitLimit, 400);
    EXPECT_TRUE(rig.state.imageDescribed) << "nothing was sent";
    EXPECT_EQ(rig.progressDisplay.shows, 0);
}

TEST(PromptBeforeUpload, HeaderIsFollowedByItsPausesThenTheUpload) {
    UploadRig rig;
    ImageFiles files;
    const std::string image = files.write("image.bin", patternBytes(2000));
    rig.openSerial(1, promptOnProbe);
    rig.describe(image);
    EXPECT_EQ(rig.loads.LD(), 1);
    // 2100 and 500 after the header; 100 after the window shows; the pause; W/2 twice;
    // 100 before the prompt attempt.
    EXPECT_EQ(rig.clock.longSleeps, (std::vector<int>{2100, 500, 100, 4000, 505, 505, 100}));
    EXPECT_TRUE(rig.state.scriptUpload);
    EXPECT_FALSE(rig.state.imageDescribed);
    EXPECT_EQ(rig.state.promptWaitLimit, 1011 + 120);
    EXPECT_EQ(rig.progress.cancelRequested, 0);
}

} // namespace
