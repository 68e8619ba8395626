// The Ethernet dialog's Connect operation on virtual time: the prompt check once the link
// is up, the attempts that end without a link, the port and address boxes, a second
// Connect, the dialog's show text and its refusal to close during an attempt.

#include "ethernet_rig.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace zarvex;
using namespace zarvex::test;

namespace {

constexpr const char* kProbe = "\r\r\n"; // a CR, and after a pause the Ethernet line end

struct PromptCase {
    const char* name;
    char onlyPrompt; // 0: a silent unit
    char awaitedBefore;
    char awaitedAfter;
    int probes;
};

TEST(EthernetConnect, PromptCheckSettlesTheAwaitedPrompt) {
    const PromptCase cases[] = {
        {"loader-prompt unit, normal prompt awaited", '>', '#', '>', 2},
        {"loader-prompt unit, loader prompt awaited", '>', '>', '>', 1},
        {"silent unit, normal prompt awaited", 0, '#', '>', 2},
        {"silent unit, loader prompt awaited", 0, '>', '#', 2},
    };
    for (const PromptCase& c : cases) {
        EthernetRig r;
        unit::UnitConfig config;
        config.onlyPrompt = c.onlyPrompt;
        config.silent = c.onlyPrompt == 0;
        r.serve(config);
        r.rig.state.awaitedPrompt = c.awaitedBefore;
        r.connect();

        LoaderState& s = r.rig.state;
        EXPECT_TRUE(r.rig.socket.active()) << c.name;
        EXPECT_EQ(s.awaitedPrompt, c.awaitedAfter) << c.name;
        EXPECT_EQ(r.rig.socket.written, repeat(kProbe, c.probes)) << c.name;
        EXPECT_EQ(s.probing, 0) << c.name;
        EXPECT_EQ(s.linkKind, 1) << c.name;
        const auto& st = r.rig.view.statuses;
        ASSERT_GE(st.size(), 3u) << c.name;
        EXPECT_EQ(st[0], "Attempting Ethernet connection. Please wait....") << c.name;
        EXPECT_EQ(st[1], "Connection established. Verifying prompt....") << c.name;
        EXPECT_EQ(st.back(), "Connect via Ethernet successful") << c.name;
        EXPECT_TRUE(r.messages().empty()) << c.name;
        // The link shows as up, the dialog is done.
        EXPECT_FALSE(r.dialog.visible) << c.name;
        EXPECT_FALSE(r.dialog.controlsEnabled) << c.name;
        EXPECT_TRUE(r.rig.view.ethernetChecked) << c.name;
        EXPECT_FALSE(r.rig.view.enetConnect) << c.name;
        EXPECT_FALSE(r.rig.view.configEnabled) << c.name;
        EXPECT_TRUE(r.rig.view.buttons) << c.name;
        EXPECT_FALSE(r.rig.view.busy) << c.name;
        EXPECT_TRUE(r.eth.canCloseDialog()) << c.name;
    }
}

// Every way an attempt can end without a link leaves the dialog usable again.
void expectIdleAfterFailedAttempt(EthernetRig& r, const std::string& name) {
    EXPECT_FALSE(r.rig.socket.active()) << name;
    EXPECT_EQ(r.rig.socket.tag, 0) << name;
    EXPECT_TRUE(r.eth.canCloseDialog()) << name;
    EXPECT_FALSE(r.eth.connectInProgress()) << name;
    EXPECT_TRUE(r.dialog.controlsEnabled) << name;
    EXPECT_FALSE(r.rig.view.busy) << name;
    EXPECT_FALSE(r.rig.view.ethernetChecked) << name;
    EXPECT_FALSE(r.eth.connectionTimer().enabled()) << name;
    EXPECT_EQ(r.rig.view.terminalClears, 1) << name;
    EXPECT_EQ(r.rig.progress.cancelRequested, 0) << name;
}

TEST(EthernetConnect, ARefusedPortTakesTheSocketErrorPath) {
    EthernetRig r; // no server: the port refuses
    r.rig.view.terminal = "old output";
    r.connect();
    EXPECT_EQ(r.messages(),
              std::vector<std::string>{
                  "Error! Cannot connect to server/lost connection. Verify IP Address and Port #"});
    EXPECT_EQ(r.rig.socket.opens, 1) << "a refused attempt is not retried";
    EXPECT_FALSE(r.rig.state.tryEnetAgain);
    EXPECT_TRUE(r.rig.state.replyTimedOut);
    EXPECT_EQ(r.rig.view.terminal, "");
    expectIdleAfterFailedAttempt(r, "refused");
}

TEST(EthernetConnect, AnUnansweredAttemptEndsAfterFiveSeconds) {
    EthernetRig r;
    r.rig.socket.blackholePorts.insert(EthernetRig::kPort);
    r.rig.state.tryEnetAgain = true;
    std::vector<bool> closable;
    r.rig.clock.onPump.push_back([&] { closable.push_back(r.eth.canCloseDialog()); });
    const auto start = r.rig.clock.nowMs();
    r.connect();
    const auto waited = r.rig.clock.nowMs() - start;
    EXPECT_GE(waited, EthernetLink::kConnectionTimerMs);
    EXPECT_LE(waited, EthernetLink::kConnectionTimerMs + 2);
    EXPECT_EQ(r.messages(), std::vector<std::string>{"Error! Cannot connect to server. Check IP Address"});
    EXPECT_FALSE(r.rig.state.tryEnetAgain);
    EXPECT_TRUE(std::none_of(closable.begin(), closable.end(), [](bool b) { return b; }))
        << "the dialog must refuse to close while the attempt runs";
    expectIdleAfterFailedAttempt(r, "unanswered");
}

struct PortCase {
    const char* text;
    bool opens;
    const char* message; // nullptr: none
};

TEST(EthernetConnect, PortBoxIsCheckedBeforeAnythingOpens) {
    const PortCase cases[] = {
        {"65535", true, nullptr},
        {"0", true, nullptr},
        {"65536", false, "Error! Port # must be less than 65535"},
        {"99999", false, "Error! Port # must be less than 65535"},
        {"30a0", false, "Error! Invalid IP Address / Port #"},
        {"", false, "Error! Invalid IP Address / Port #"},
        {"-1", false, "Error! Invalid IP Address / Port #"},
        {"+-3", false, "Error! Invalid IP Address / Port #"},
        {"4294967296", false, "Error! Invalid IP Address / Port #"},
        {" 3000", false, "Error! Invalid IP Address / Port #"},
    };
    for (const PortCase& c : cases) {
        EthernetRig r;
        r.rig.socket.servers[65535] = [](std::string_view) { return std::string(">"); };
        r.rig.socket.servers[0] = [](std::string_view) { return std::string(">"); };
        r.dialog.portText = c.text;
        r.eth.ConnectButtonClick();
        EXPECT_EQ(r.rig.socket.opens, c.opens ? 1 : 0) << c.text;
        EXPECT_EQ(r.rig.socket.active(), c.opens) << c.text;
        if (c.message) {
            EXPECT_EQ(r.messages(), std::vector<std::string>{c.message}) << c.text;
            EXPECT_EQ(r.dialog.focus, std::vector<std::string>{"port"}) << c.text;
            expectIdleAfterFailedAttempt(r, c.text);
        } else {
            EXPECT_TRUE(r.messages().empty()) << c.text;
            EXPECT_EQ(r.rig.socket.port(), std::stoi(c.text)) << c.text;
            EXPECT_EQ(r.rig.socket.address(), "127.0.0.1") << c.text;
        }
    }
}

TEST(EthernetConnect, TheAddressIsTheFourBoxesAsTyped) {
    EthernetRig r; // no server: the attempt is refused, the address is all this looks at
    r.dialog.boxes[0] = "127";
    r.dialog.boxes[1] = "00";
    r.dialog.boxes[2] = "";
    r.dialog.boxes[3] = "1";
    r.connect();
    EXPECT_EQ(r.rig.socket.address(), "127.00..1");
}

struct BoxCase {
    const char* text;
    const char* message; // nullptr: the box is accepted
};

TEST(EthernetConnect, LeavingAnAddressBoxChecksIt) {
    const BoxCase cases[] = {
        {"256", "Error! Number must be between 0 - 255"},
        {"-1", "Error! Number must be between 0 - 255"},
        {"999", "Error! Number must be between 0 - 255"},
        {"", "Error! Invalid IP Address"},
        {"1a", "Error! Invalid IP Address"},
        {"a", "Error! Invalid IP Address"},
        {"0", nullptr},
        {"255", nullptr},
        {"127", nullptr},
    };
    for (const BoxCase& c : cases) {
        for (int box = 0; box < 4; ++box) {
            EthernetRig r;
            r.dialog.boxes[box] = c.text;
            r.eth.IPEditExit(box);
            if (c.message) {
                EXPECT_EQ(r.messages(), std::vector<std::string>{c.message}) << c.text << " in box " << box;
                EXPECT_EQ(r.dialog.focus, std::vector<std::string>{"box" + std::to_string(box)}) << c.text;
            } else {
                EXPECT_TRUE(r.messages().empty()) << c.text;
                EXPECT_TRUE(r.dialog.focus.empty()) << c.text;
            }
        }
    }
}

TEST(EthernetConnect, ConnectWhileConnectedChangesNothing) {
    EthernetRig r;
    r.serve();
    r.connect();
    ASSERT_TRUE(r.rig.socket.active());
    r.rig.view.terminal = "unit output";
    const int clears = r.rig.view.terminalClears;
    const auto statuses = r.rig.view.statuses;
    const std::string written = r.rig.socket.written;

    r.eth.ConnectButtonClick();
    EXPECT_EQ(r.rig.socket.opens, 1);
    EXPECT_EQ(r.rig.view.terminalClears, clears);
    EXPECT_EQ(r.rig.view.terminal, "unit output");
    EXPECT_EQ(r.rig.view.statuses, statuses);
    EXPECT_EQ(r.rig.socket.written, written);
    EXPECT_TRUE(r.messages().empty());
    EXPECT_FALSE(r.rig.view.busy);
    EXPECT_FALSE(r.eth.connectInProgress());
}

TEST(EthernetConnect, AConnectDuringAnAttemptReturnsAtOnce) {
    EthernetRig r;
    r.serve();
    r.rig.socket.connectDelayMs = 50;
    bool tried = false;
    r.rig.clock.onPump.push_back([&] {
        if (r.eth.connectInProgress() && !tried) {
            tried = true;
            r.eth.ConnectButtonClick(); // a click, or an exchange that finds the link down
        }
    });
    r.connect();
    EXPECT_TRUE(r.rig.socket.active());
    EXPECT_EQ(r.rig.socket.opens, 1);
    EXPECT_TRUE(tried);
}

TEST(EthernetConnect, ShowingTheDialogNamesTheComputersAddress) {
    EthernetRig r;
    r.eth.FormShow();
    EXPECT_EQ(r.dialog.dialogStatus, "Note: Computer's IP Addr = 127.0.0.1");
    EXPECT_TRUE(r.messages().empty());
    EXPECT_EQ(r.dialog.focus, std::vector<std::string>{"box0"});

    EthernetRig none;
    none.eth.localAddress = [] { return std::optional<std::string>(); };
    none.eth.FormShow();
    EXPECT_EQ(none.messages(), std::vector<std::string>{"Error! Invalid IP Address / Port #"});
    EXPECT_EQ(none.dialog.focus, (std::vector<std::string>{"port", "box0"}));
}

TEST(EthernetConnect, TheComputersOwnAddressIsAnIPv4Text) {
    const auto own = firstLocalIPv4();
    if (!own)
        GTEST_SKIP() << "this computer has no IPv4 address";
    int parts = 0;
    for (std::size_t start = 0; start <= own->size(); ++parts) {
        const auto dot = std::min(own->find('.', start), own->size());
        const auto n = readBoxNumber(own->substr(start, dot - start));
        ASSERT_TRUE(n && *n >= 0 && *n <= 255) << *own;
        start = dot + 1;
    }
    EXPECT_EQ(parts, 4) << *own;
}

} // namespace
