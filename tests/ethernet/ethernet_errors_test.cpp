// The Ethernet link's failures on virtual time: a unit that drops the link in the middle of
// an exchange, a reconnect that fails, the command timer's single retry, an exchange after
// the operator's Disconnect, and Disconnect during a connect attempt.

#include "ethernet_rig.h"

#include <gtest/gtest.h>

using namespace zarvex;
using namespace zarvex::test;

namespace {

constexpr const char* kLost = "Error! Connection to server lost";

// A unit that takes five bytes of each connection and then closes it: the prompt check
// of a new connection (CR, then CR LF) leaves it two more.
EthernetRig& closingUnit(EthernetRig& r, bool refuseReconnect) {
    unit::UnitConfig config;
    config.closeAfterBytes = 5;
    r.serve(config);
    r.unitClosesLikeQt(refuseReconnect);
    r.connect();
    EXPECT_TRUE(r.rig.socket.active());
    EXPECT_TRUE(r.messages().empty());
    return r;
}

void expectLinkDown(EthernetRig& r) {
    EXPECT_FALSE(r.rig.socket.active());
    EXPECT_EQ(r.rig.socket.tag, 0);
    EXPECT_TRUE(r.rig.view.enetConnect);
    EXPECT_TRUE(r.rig.view.configEnabled);
    EXPECT_FALSE(r.rig.view.ethernetChecked);
    EXPECT_TRUE(r.dialog.controlsEnabled);
    EXPECT_FALSE(r.rig.state.tryEnetAgain);
    EXPECT_FALSE(r.rig.state.inSocketError);
    EXPECT_TRUE(r.eth.canCloseDialog());
}

TEST(EthernetErrors, AUnitThatDropsTheLinkGetsOneReconnectAndResendThenTheRunStops) {
    EthernetRig r;
    closingUnit(r, false);

    r.rig.link.SendCOMCmd_GetPrompt("AB"); // the unit drops the link after "AB"
    EXPECT_TRUE(r.messages().empty()) << "the first drop costs a reconnect, not a message";
    EXPECT_TRUE(r.rig.socket.active());
    EXPECT_EQ(r.rig.socket.opens, 2);
    ASSERT_EQ(r.links.size(), 2u);
    EXPECT_EQ(r.links[1].substr(0, 4), "\r\r\n\r")
        << "the new link's prompt check, then the resent command text";
    EXPECT_EQ(r.rig.progress.cancelRequested, 0);
    EXPECT_FALSE(r.rig.state.tryEnetAgain);

    EXPECT_FALSE(r.rig.link.SendCOMCmd_GetPrompt("CD")); // and again: no second reconnect
    EXPECT_EQ(r.rig.socket.opens, 2);
    EXPECT_EQ(r.messages(), std::vector<std::string>{kLost});
    EXPECT_EQ(r.rig.progress.cancelRequested, 1);
    EXPECT_TRUE(r.rig.state.replyTimedOut);
    EXPECT_EQ(r.rig.view.status, "Ethernet connection closed");
    expectLinkDown(r);
}

TEST(EthernetErrors, ALostLinkWhoseReconnectFailsIsReportedOnceAndTheRunGoesOn) {
    EthernetRig r;
    closingUnit(r, true); // after the drop the port refuses

    EXPECT_FALSE(r.rig.link.SendCOMCmd_GetPrompt("AB"));
    EXPECT_EQ(r.rig.socket.opens, 2);
    EXPECT_EQ(r.messages(), std::vector<std::string>{kLost})
        << "the refused reconnect raises a second error inside the handler, which only retries";
    EXPECT_EQ(r.rig.progress.cancelRequested, 0) << "the waiting command sees the time-out instead";
    EXPECT_TRUE(r.rig.state.replyTimedOut);
    EXPECT_EQ(r.rig.socket.lastErrorCode, 0) << "every error is taken as handled";
    expectLinkDown(r);
}

TEST(EthernetErrors, ACommandTimeoutRetriesOnceThenStopsTheRun) {
    EthernetRig r;
    unit::UnitConfig silent;
    silent.silent = true;
    r.serve(silent);
    r.connect();
    ASSERT_TRUE(r.rig.socket.active());
    r.rig.link.keepAliveTimer().setEnabled(false); // as during a script run

    r.rig.state.commandText.assign("STAT");
    r.rig.link.query_unit(0); // only the command timer ends this wait
    EXPECT_EQ(r.rig.socket.opens, 2);
    EXPECT_TRUE(r.messages().empty());
    EXPECT_TRUE(r.rig.state.tryEnetAgain) << "the retry is spent";

    r.rig.state.commandText.assign("STAT");
    r.rig.link.query_unit(0);
    EXPECT_EQ(r.rig.socket.opens, 2) << "no second retry";
    ASSERT_EQ(r.links.size(), 2u);
    // The reconnect's two prompt checks, the resent command text (the last probe), the command.
    EXPECT_EQ(r.links[1], "\r\r\n\r\r\n\rSTAT\r\n");
    EXPECT_EQ(
        r.messages(),
        std::vector<std::string>{
            "Timeout error! Connection failure! Please check RS232/Ethernet connection. Exiting script."});
    EXPECT_EQ(r.rig.progress.cancelRequested, 1);
    EXPECT_TRUE(r.rig.state.replyTimedOut);
}

struct AfterDisconnectCase {
    const char* name;
    bool unitStillThere;
};

// The operator's Disconnect stays in force until the "Connect" entry: an exchange may
// still open the link, but an error then stops the run without a reconnect.
TEST(EthernetErrors, AnExchangeAfterTheOperatorsDisconnect) {
    const AfterDisconnectCase cases[] = {{"unit still there", true}, {"port now refuses", false}};
    for (const AfterDisconnectCase& c : cases) {
        EthernetRig r;
        r.serve();
        r.connect();
        r.eth.EnetDisconnect1Click();
        ASSERT_FALSE(r.rig.socket.active());
        ASSERT_TRUE(r.rig.state.userDisconnected);
        if (!c.unitStillThere)
            r.rig.socket.servers.erase(EthernetRig::kPort);

        const bool came = r.rig.link.SendCOMCmd_GetPrompt("\r");
        EXPECT_EQ(r.rig.socket.opens, 2) << c.name;
        EXPECT_EQ(came, c.unitStillThere) << c.name;
        if (c.unitStillThere) {
            EXPECT_TRUE(r.messages().empty()) << c.name;
            EXPECT_TRUE(r.rig.socket.active()) << c.name;
        } else {
            EXPECT_EQ(r.messages(),
                      std::vector<std::string>{"Error! Cannot connect to server/lost connection."})
                << c.name;
            EXPECT_EQ(r.rig.progress.cancelRequested, 1) << c.name;
            expectLinkDown(r);
        }
        r.eth.EnetConnect1Click();
        EXPECT_FALSE(r.rig.state.userDisconnected) << c.name;
        EXPECT_TRUE(r.dialog.visible) << c.name;
    }
}

struct DisconnectCase {
    const char* name;
    bool linkShownUp; // the unit closed the link without notice: the menus still show it up
    bool endsTheWait;
};

TEST(EthernetErrors, DisconnectDuringAnAttempt) {
    const DisconnectCase cases[] = {
        {"menus show the link up", true, true},
        {"menus show the link down: nothing to close", false, false},
    };
    for (const DisconnectCase& c : cases) {
        EthernetRig r;
        if (c.linkShownUp) {
            r.serve();
            r.connect();
            r.rig.socket.peerCloses();
        }
        r.rig.socket.blackholePorts.insert(EthernetRig::kPort);
        int pumps = 0;
        r.rig.clock.onPump.push_back([&] {
            if (r.eth.connectInProgress() && ++pumps == 50)
                r.eth.EnetDisconnect1Click();
        });
        const auto start = r.rig.clock.nowMs();
        r.rig.link.SendCOMCmd_GetPrompt("\r"); // finds the link down and connects
        const auto waited = r.rig.clock.nowMs() - start;

        EXPECT_FALSE(r.rig.socket.active()) << c.name;
        EXPECT_TRUE(r.eth.canCloseDialog()) << c.name;
        EXPECT_TRUE(r.dialog.controlsEnabled) << c.name;
        if (c.endsTheWait) {
            EXPECT_LT(waited, 100) << c.name;
            EXPECT_TRUE(r.messages().empty()) << c.name;
            EXPECT_EQ(r.rig.view.status, "Ethernet connection closed") << c.name;
            EXPECT_TRUE(r.rig.state.userDisconnected) << c.name;
        } else {
            EXPECT_GE(waited, EthernetLink::kConnectionTimerMs) << c.name;
            EXPECT_EQ(r.messages(),
                      std::vector<std::string>{"Error! Cannot connect to server. Check IP Address"})
                << c.name;
            EXPECT_FALSE(r.rig.state.userDisconnected) << c.name;
        }
    }
}

} // namespace
