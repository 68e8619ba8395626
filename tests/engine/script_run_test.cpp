// Scripts run through the reader and the dispatcher against an in-process unit.

#include "support/engine_rig.h"

#include <gtest/gtest.h>

using namespace zarvex;
using namespace zarvex::test;

namespace {

const std::string kSuccess = "SUCCESS. Reading script file complete";
const std::string kTerminated = "Script file reading terminated by user/error(s).";

// A rig with a plain serial "unit" that takes everything and answers nothing.
struct Quiet : EngineRig {
    Quiet() { openSerial(1, nullptr); }
};

TEST(Reader, ClassifiesLinesAndRunsCommandsAsTheyAreRead) {
    struct Case {
        const char* name;
        std::string script;
        std::string sent;
        int rows;
    };
    const std::vector<Case> cases = {
        {"empty file", "", "", 0},
        {"blanks before _", "   _SC \"a\"\n", "a\r", 1},
        {"text before _", "abc_SC \"b\"\n", "b\r", 1},
        {"; before _ is a comment", ";_SC \"c\"\nx ; _SC \"c\"\n", "", 0},
        {"; after _ belongs to the line", "_SC \"d;e\"\n", "d;e\r", 1},
        {"CR LF line ends", "_SC \"x\"\r\n_SC \"y\"\r\n", "x\ry\r", 2},
        {"no final line end", "_SC \"x\"\n_SC \"z\"", "x\rz\r", 2},
        {"lower-case word is unknown", "_sc \"no\"\n_SC \"yes\"\n", "yes\r", 2},
        {"longer word is still _SC", "_SCRIPT \"w\"\n", "w\r", 1},
        {"unknown word between known ones", "_SC \"1\"\n_XX \"?\"\n_SC \"2\"\n", "1\r2\r", 3},
        {"no quote does nothing", "_SC nothing\n_SC \"n\"\n", "n\r", 2},
        {"^M escape adds a CR", "_SC \"a^M\"\n", "a\r\r", 1},
        {"_FI ends the run", "_SC \"1\"\n_FI\n_SC \"2\"\n", "1\r", 2},
        {"lines with neither are ignored", "hello\n\n\n_SC \"h\"\n", "h\r", 1},
    };
    for (const Case& c : cases) {
        Quiet rig;
        EXPECT_EQ(rig.run(c.script), 1) << c.name;
        EXPECT_EQ(rig.port.written, c.sent) << c.name;
        EXPECT_EQ(rig.state.lineIndex, c.rows) << c.name;
        EXPECT_EQ(rig.view.status, kSuccess) << c.name;
        EXPECT_TRUE(rig.view.buttons) << c.name;
        EXPECT_TRUE(rig.op.messages.empty()) << c.name;
    }
}

TEST(Reader, ScriptThatCannotBeOpened) {
    Quiet rig;
    rig.state.scriptPath = rig.path("missing.sld");
    EXPECT_EQ(rig.engine.read_ini(), 0);
    EXPECT_EQ(rig.op.messages,
              std::vector<std::string>{"Error opening file " + rig.path("missing.sld") + " for read."});
    EXPECT_EQ(rig.view.status, " ");
    EXPECT_TRUE(rig.view.buttons);
}

TEST(Reader, BadInputEndsWithAClearMessage) {
    struct Case {
        const char* name;
        std::string script;
        int result;
        std::string message; // prefix of the one message expected, or empty for none
    };
    std::string manyLines;
    for (int i = 0; i < 10000; ++i)
        manyLines += "_XX\n";
    std::string binary;
    for (int i = 0; i < 20000; ++i)
        binary += char((i * 131) & 0xFF);
    const std::vector<Case> cases = {
        {"10,000 command lines", manyLines, 0, "Error! Script has more than 300 command lines (line 301)"},
        {"10 MB line", "_SC \"" + std::string(10 << 20, 'x') + "\"\n", 0, "Error! Script line 1 is longer"},
        {"200-character line", "_SC \"" + std::string(195, 'y') + "\"\n", 0,
         "Error! Script line 1 is longer"},
        {"199-character line", "_SC \"" + std::string(193, 'y') + "\"\n", 1, ""},
        {"NUL bytes", std::string("_SC \"a\0b\"\n_SC \"c\"\n", 17), 1, ""},
        {"unterminated quotes", "_SC \"abc\n_CS \"x _SC \"y\"\n_DM \"\n_PC \"\n", 1, ""},
        {"binary file", binary, -1, ""},
    };
    for (const Case& c : cases) {
        Quiet rig;
        const int result = rig.run(c.script);
        if (c.result >= 0) {
            EXPECT_EQ(result, c.result) << c.name;
        }
        if (!c.message.empty()) {
            ASSERT_EQ(rig.op.messages.size(), 1u) << c.name;
            EXPECT_EQ(rig.op.messages[0].rfind(c.message, 0), 0u) << c.name << ": " << rig.op.messages[0];
        }
        EXPECT_TRUE(rig.view.buttons) << c.name;
        EXPECT_LE(rig.state.lineIndex, LoaderState::kScriptRows + 2) << c.name;
    }
}

TEST(Reader, CancelStopsBeforeTheNextLine) {
    Quiet rig;
    rig.op.onMessage = [&](const std::string&) { rig.progress.CancelButtonClick(); };
    EXPECT_EQ(rig.run("_DM \"stop here\"\n_SC \"never\"\n"), 1);
    EXPECT_EQ(rig.port.written, "");
    EXPECT_EQ(rig.view.status, kTerminated);
}

TEST(Reader, LostEthernetLinkEndsTheRun) {
    EngineRig rig;
    unit::UnitModel unit({.echo = false});
    rig.connectEthernet(3000, peerOf(unit));
    rig.op.onMessage = [&](const std::string& text) {
        if (text == "drop")
            rig.socket.peerCloses();
    };
    EXPECT_EQ(rig.run("_DM \"drop\"\n_SC \"never\"\n"), 0);
    EXPECT_EQ(rig.op.messages, (std::vector<std::string>{"drop", "Exiting script"}));
    EXPECT_EQ(rig.socket.written, "");
}

TEST(Conditionals, VersionAndTextComparesOverReplies) {
    struct Case {
        std::string reply;
        std::string line;
        bool runs;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"2.06", R"(_AG "2" _SC "HIT")", true, ""},
        {"2.06", R"(_AG "3" _SC "HIT")", false, ""},
        {"2.06", R"(_AL "3" _SC "HIT")", true, ""},
        {"2.06", R"(_IG "6" _SC "HIT")", true, ""},
        {"2.06", R"(_IL "6" _SC "HIT")", false, ""},
        {"v2.06", R"(_AG "0" _SC "HIT")", false, "Prev _QC does not have version info."},
        {"", R"(_IL "9" _SC "HIT")", false, "Prev _QC does not have version info."},
        {"2.06", R"(_AG "1")", false, "Error! No line found after successful _CS/_CN"},
        {"FW 2.06 ready", R"(_CS "2.06" _SC "HIT")", true, ""},
        {"FW 2.06 ready", R"(_CN "2.06" _SC "HIT")", false, ""},
        {"FW 2.06 ready", R"(_CE "FW 2.06 ready" _SC "HIT")", true, ""},
        {"FW", R"(_CS "" _SC "HIT")", true, ""},
        {"FW", R"(_CN "" _SC "HIT")", false, ""},
        {"FW", R"(_CE "" _SC "HIT")", false, ""},
        {"", R"(_CE "" _SC "HIT")", true, ""},
        {"FW\\r", R"(_CS "\r" _SC "HIT")", false, ""},
        {"FW", R"(_CN "W\n" _SC "HIT")", true, ""},
        {"FW", R"(_CE "FW")", false, "Error! No line found after successful _CE"},
        {"FW", R"(_CS "F")", false, "Error! No line found after successful _CS/_CN"},
        {"2.06", R"(_AG "2" _CS "2" _SC "HIT")", true, ""},
        {"2.06", R"(_AG "2" _CS "9" _SC "HIT")", false, ""},
        {"FW", R"(_CS "F" plain text)", false, ""},
    };
    for (const Case& c : cases) {
        Quiet rig;
        rig.state.lastReply.assign(c.reply);
        EXPECT_EQ(rig.run(c.line + "\n_SC \"after\"\n"), 1) << c.line;
        EXPECT_EQ(rig.port.written, (c.runs ? "HIT\r" : "") + std::string("after\r")) << c.line;
        EXPECT_EQ(rig.op.messages, c.message.empty() ? std::vector<std::string>{} : std::vector{c.message})
            << c.line;
    }
}

TEST(Conditionals, NestedCommandThatStopsTheScriptStopsIt) {
    Quiet rig; // nothing answers: _TC fails
    rig.state.lastReply.assign("2.06");
    EXPECT_EQ(rig.run("_AG \"1\" _TC \"\"\n_SC \"never\"\n"), 0);
    EXPECT_EQ(rig.op.messages.back(), "Error! Unable to get response from unit(_TC)! Exiting script");
    EXPECT_EQ(rig.port.written.find("never"), std::string::npos);
}

TEST(Query, QcKeepsTheReplyWithoutLineEndsAndNothingOfAnEarlierOne) {
    EngineRig rig;
    unit::UnitModel unit({.versionText = "2.06 build 1234567890"});
    rig.openSerial(1, peerOf(unit));
    EXPECT_EQ(rig.run("_QC \"VER^M\"\n"), 1);
    EXPECT_EQ(rig.port.written, "VER \r");
    EXPECT_EQ(rig.state.lastReply.str(), "2.06 build 1234567890");

    unit::UnitModel shorter({.versionText = "3.1"});
    rig.port.peers[1] = peerOf(shorter);
    EXPECT_EQ(rig.run("_QC \"VER\"\n_AG \"3\" _SC \"NEW\"\n"), 1);
    EXPECT_EQ(rig.state.lastReply.str(), "3.1");
    EXPECT_NE(rig.port.written.find("NEW\r"), std::string::npos);

    rig.port.peers[1] = nullptr; // no reply: lastReply empties, the script goes on
    EXPECT_EQ(rig.run("_QC \"VER\"\n_SC \"on\"\n"), 1);
    EXPECT_EQ(rig.state.lastReply.str(), "");
    EXPECT_EQ(rig.op.messages, std::vector<std::string>{"Error! No response detected with _QC command"});
    EXPECT_NE(rig.port.written.find("on\r"), std::string::npos);
}

TEST(Query, PcChangesTheLoaderPromptForLaterRuns) {
    Quiet rig;
    rig.run("_PC \"$\"\n");
    EXPECT_EQ(rig.state.loaderPrompt, '$');
    rig.run("_PC \"\n");
    EXPECT_EQ(rig.state.loaderPrompt, '$');
}

TEST(Dialogs, AnswersHoldAcrossRunsUntilTheNextQuestion) {
    Quiet rig;
    EXPECT_EQ(rig.run("_DO _SC \"ok0\"\n_DC _SC \"cancel0\"\n"), 1);
    EXPECT_EQ(rig.port.written, "");

    rig.op.answers = {true};
    rig.run("_DQ \"Load?^MSure\"\n_DO _SC \"ok1\"\n_DC _SC \"cancel1\"\n");
    EXPECT_EQ(rig.op.questions, std::vector<std::string>{"Zarvex - Query|Load?\rSure"});
    rig.run("_DO _SC \"ok2\"\n_DC _SC \"cancel2\"\n_DO\n_DO \n");
    EXPECT_EQ(rig.port.written, "ok1\rok2\r");
    EXPECT_EQ(rig.op.messages, std::vector<std::string>{"Error! No line found after successful _DO"});

    rig.op.answers = {false};
    rig.run("_DQ \"again\"\n_DC _SC \"cancel3\"\n_DO _SC \"ok3\"\n_DC _FI\n_SC \"never\"\n");
    EXPECT_EQ(rig.port.written, "ok1\rok2\rcancel3\r");
    EXPECT_EQ(rig.view.status, kSuccess);
}

TEST(Dialogs, DmShowsItsTextWithLineBreaks) {
    Quiet rig;
    rig.run("_DM \"one^Mtwo^Mthree\"\n");
    EXPECT_EQ(rig.op.messages, std::vector<std::string>{"one\rtwo\rthree"});
    EXPECT_EQ(rig.state.dialogText.str(), "one\rtwo\rthree");
}

TEST(Waits, DySleepsInOneMillisecondStepsWithoutPumping) {
    struct Case {
        std::string line;
        long sleeps;
    };
    for (const Case& c : std::vector<Case>{{"_DY 5", 23},
                                           {"_DY 10", 45},
                                           {"_DY", 1},
                                           {"_DY 0", 1},
                                           {"_DY -4", 1},
                                           {"_DY x", 1},
                                           {"_DY 99999999999", 3600001}}) {
        Quiet rig;
        rig.run(c.line + "\n");
        EXPECT_EQ(rig.clock.oneMsSleeps, c.sleeps + 1) << c.line; // +1: the dispatcher's own
    }
}

TEST(Waits, LtSetsTheTerminalSwitch) {
    Quiet rig;
    rig.run("_LT \n");
    EXPECT_EQ(rig.state.terminalDuringUpload, '\0');
    rig.run("_LT 0\n");
    EXPECT_EQ(rig.state.terminalDuringUpload, '0');
    rig.run("_LT\n");
    EXPECT_EQ(rig.state.terminalDuringUpload, '0');
}

TEST(Waits, WpFindsWhicheverPromptTheUnitShows) {
    EngineRig rig;
    unit::UnitModel unit({.startInLoaderMode = true});
    rig.openSerial(1, peerOf(unit));
    rig.state.awaitedPrompt = '#';
    rig.state.promptWaitLimit = 20;
    EXPECT_EQ(rig.run("_WP\n"), 1);
    EXPECT_EQ(rig.state.awaitedPrompt, '>');
    EXPECT_EQ(rig.port.written, "\r\r\r"); // awaited '#', normal '#', loader '>'
}

TEST(Waits, WpWithoutAnyPromptEndsOnStop) {
    for (bool serial : {true, false}) {
        EngineRig rig;
        if (serial)
            rig.openSerial(1, nullptr);
        rig.clock.onPump.push_back([&] {
            if (rig.clock.nowMs() > 120000)
                rig.progress.CancelButtonClick();
        });
        EXPECT_EQ(rig.run("_WP\n_SC \"never\"\n"), 1);
        EXPECT_EQ(rig.view.status, kTerminated);
        EXPECT_LT(rig.clock.nowMs(), 200000);
    }
}

TEST(TestLoaderMode, ProbeSequencesAndWaits) {
    struct Case {
        const char* name;
        unit::UnitConfig unit;
        int result;
        std::string sent;
        std::string sleeps;
        std::int64_t elapsedMs;
        std::string message;
        char prompt;
        int limit;
    };
    const std::int64_t wait = 135 * 55;
    const std::vector<Case> cases = {
        {"already in loader mode",
         {.echo = false, .startInLoaderMode = true},
         1,
         "\r",
         "200 500",
         -1,
         "",
         '>',
         400},
        {"enters loader mode", {.echo = false}, 1, "\rLOADR\r\n\r", "200 500 500", -1, "", '>', 400},
        {"only the normal prompt",
         {.echo = false, .onlyPrompt = '#'},
         0,
         "\rLOADR\r\n\r\r\r\r",
         "200 500 2500 2000",
         -1,
         "Error! Unit not in Loader Mode! Exiting script",
         '#',
         135},
        {"never answers",
         {.silent = true},
         0,
         "\rLOADR\r\n\r\r\r\r",
         "200 500 2500 2000",
         200 + 500 + 2500 + 2000 + 5 * wait,
         "Error! Unable to get response from unit(_TC)! Exiting script",
         '#',
         135},
    };
    for (const Case& c : cases) {
        EngineRig rig;
        unit::UnitModel unit(c.unit);
        rig.openSerial(1, peerOf(unit));
        const auto before = rig.clock.nowMs();
        EXPECT_EQ(rig.run("_TC \"^M\"\n"), c.result) << c.name;
        EXPECT_EQ(rig.port.written, c.sent) << c.name;
        EXPECT_EQ(rig.clock.sleepTrace(), c.sleeps) << c.name;
        if (c.elapsedMs >= 0) {
            EXPECT_NEAR(double(rig.clock.nowMs() - before), double(c.elapsedMs), 10.0) << c.name;
        }
        EXPECT_EQ(rig.op.messages, c.message.empty() ? std::vector<std::string>{} : std::vector{c.message})
            << c.name;
        EXPECT_EQ(rig.state.awaitedPrompt, c.prompt) << c.name;
        EXPECT_EQ(rig.state.promptWaitLimit, c.limit) << c.name;
    }
}

TEST(TestLoaderMode, WithoutAnyLinkItFailsThroughItsProbes) {
    EngineRig rig;
    EXPECT_EQ(rig.run("_TC \"\"\n"), 0);
    EXPECT_EQ(rig.op.messages,
              std::vector<std::string>{"Error! Unable to get response from unit(_TC)! Exiting script"});
}

TEST(Reconnect, StSendsThenTakesTheLinkDownAndUp) {
    Quiet rig;
    rig.state.linkKind = 0;
    rig.state.lastComPort = 1;
    int closes = 0, opens = 0;
    rig.engine.reconnect.closeSerial = [&] {
        ++closes;
        rig.port.close();
    };
    rig.engine.reconnect.openSerial = [&](int n) {
        ++opens;
        rig.port.setComNumber(n);
        rig.port.open(nullptr);
    };
    EXPECT_EQ(rig.run("_ST \"reboot\"\n_SC \"after\"\n"), 1);
    EXPECT_EQ(rig.port.written, "reboot\rafter\r");
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(rig.clock.sleepTrace(), "100 4500 100");

    rig.port.existing.erase(1); // the port is gone after the reboot
    EXPECT_EQ(rig.run("_ST \"reboot\"\n_SC \"never\"\n"), 0);
    EXPECT_EQ(rig.op.messages, std::vector<std::string>{"Error! Unable to connect to unit! Exiting script"});
}

} // namespace
