// The Ethernet link over a real loopback TCP connection to zarvex-unit, with the real
// clock: the connect check, a refused port, addresses the socket refuses, a unit that
// drops the link, and the command timer's retry. Every wait is bounded.

#include "live_rig.h"

#include <gtest/gtest.h>

using namespace zarvex;
using namespace zarvex::test;

namespace {

struct PromptCase {
    const char* name;
    QStringList faults;
    char awaitedBefore;
    char awaitedAfter;
    int lines; // each probe is a CR and then a CR LF: two lines for the unit
};

TEST(EthernetLive, TheConnectCheckSettlesThePrompt) {
    const PromptCase cases[] = {
        {"loader prompt only, normal awaited", {"--only-prompt", ">"}, '#', '>', 4},
        {"loader prompt only, loader awaited", {"--only-prompt", ">"}, '>', '>', 2},
        {"silent unit", {"--silent"}, '#', '>', 4},
    };
    for (const PromptCase& c : cases) {
        UnitProcess unit(c.faults);
        ASSERT_GT(unit.port(), 0);
        LiveRig r;
        r.state.awaitedPrompt = c.awaitedBefore;
        r.connectTo(unit.port());

        EXPECT_TRUE(r.socket.active()) << c.name;
        EXPECT_EQ(r.state.awaitedPrompt, c.awaitedAfter) << c.name;
        EXPECT_EQ(r.view.status, "Connect via Ethernet successful") << c.name;
        EXPECT_TRUE(r.op.messages.empty()) << c.name;
        EXPECT_EQ(r.state.linkKind, 1) << c.name;
        EXPECT_TRUE(r.view.ethernetChecked) << c.name;
        EXPECT_EQ(unit.events("line").size(), std::size_t(c.lines)) << c.name;
    }
}

TEST(EthernetLive, ARefusedPortTakesTheSocketErrorPath) {
    LiveRig r;
    r.connectTo(refusingPort());
    EXPECT_EQ(r.op.messages,
              std::vector<std::string>{
                  "Error! Cannot connect to server/lost connection. Verify IP Address and Port #"});
    EXPECT_FALSE(r.socket.active());
    EXPECT_TRUE(r.eth.canCloseDialog());
    EXPECT_TRUE(r.dialog.controlsEnabled);
    EXPECT_EQ(r.progress.cancelRequested, 0);
}

struct RefusedCase {
    const char* name;
    std::string box1;
    std::string port;
    const char* message;
};

// Nothing is contacted: the socket refuses the address, or the port check comes first.
TEST(EthernetLive, AddressesAndPortsRefusedBeforeAnyAttempt) {
    const RefusedCase cases[] = {
        {"address number above 255", "256", "3000", "Error! Invalid IP Address / Port #"},
        {"letters in the address", "12a", "3000", "Error! Invalid IP Address / Port #"},
        {"empty address box", "", "3000", "Error! Invalid IP Address / Port #"},
        {"port above 65535", "127", "65536", "Error! Port # must be less than 65535"},
    };
    for (const RefusedCase& c : cases) {
        LiveRig r;
        r.dialog.boxes[0] = c.box1;
        r.dialog.portText = c.port;
        r.eth.ConnectButtonClick();
        EXPECT_EQ(r.op.messages, std::vector<std::string>{c.message}) << c.name;
        EXPECT_EQ(r.socket.state(), QAbstractSocket::UnconnectedState) << c.name;
        EXPECT_TRUE(r.eth.canCloseDialog()) << c.name;
        EXPECT_EQ(r.dialog.portFocus, 1) << c.name;
    }
}

// The unit takes five bytes of a connection and closes it. Qt reports that as an error
// while the socket still counts as connected, and tears the socket down afterwards.
TEST(EthernetLive, AUnitThatDropsTheLinkGetsOneReconnectAndResendThenTheRunStops) {
    UnitProcess unit({"--close-after", "5"});
    ASSERT_GT(unit.port(), 0);
    LiveRig r;
    r.connectTo(unit.port()); // CR, CR LF: three bytes
    ASSERT_TRUE(r.socket.active());

    r.link.SendCOMCmd_GetPrompt("AB");
    EXPECT_TRUE(r.socket.active()) << "the reconnect must outlive the report of the drop";
    EXPECT_TRUE(r.op.messages.empty());
    EXPECT_EQ(unit.events("connect").size(), 2u);
    EXPECT_EQ(r.progress.cancelRequested, 0);

    EXPECT_FALSE(r.link.SendCOMCmd_GetPrompt("CD"));
    EXPECT_EQ(r.op.messages, std::vector<std::string>{"Error! Connection to server lost"});
    EXPECT_EQ(r.progress.cancelRequested, 1);
    EXPECT_FALSE(r.socket.active());
    EXPECT_TRUE(r.view.enetConnect);
    EXPECT_FALSE(r.view.ethernetChecked);
    EXPECT_EQ(unit.events("connect").size(), 2u) << "no second reconnect";
}

TEST(EthernetLive, ACommandTimeoutRetriesOnceThenStopsTheRun) {
    UnitProcess unit({"--silent"});
    ASSERT_GT(unit.port(), 0);
    LiveRig r;
    r.connectTo(unit.port());
    ASSERT_TRUE(r.socket.active());
    // The exchange's bound, shortened as uploads do, yet well above a prompt check.
    r.link.commandTimer().setInterval(3000);

    r.state.commandText.assign("STAT");
    r.link.query_unit(0); // only the command timer ends this wait
    EXPECT_TRUE(r.socket.active());
    EXPECT_TRUE(r.op.messages.empty());
    EXPECT_EQ(unit.events("connect").size(), 2u);

    r.state.commandText.assign("STAT");
    r.link.query_unit(0);
    EXPECT_EQ(
        r.op.messages,
        std::vector<std::string>{
            "Timeout error! Connection failure! Please check RS232/Ethernet connection. Exiting script."});
    EXPECT_EQ(r.progress.cancelRequested, 1);
    EXPECT_EQ(unit.events("connect").size(), 2u) << "one retry only";
    int stats = 0;
    for (const QJsonObject& line : unit.events("line"))
        stats += line.value("text").toString() == "STAT";
    EXPECT_EQ(stats, 2);
}

} // namespace
