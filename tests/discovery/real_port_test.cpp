// The port search with the real serial layer: zarvex-unit on pseudo-terminals that
// ZARVEX_COM<n> puts on COM numbers, the real clock and the real event loop.

#include "link/platform/qt_client_socket.h"
#include "link/platform/qt_clock.h"
#include "link/platform/qt_serial_port.h"
#include "link/port_discovery.h"
#include "support/fake_views.h"
#include "support/real_rig.h"
#include "support/unit_process.h"
#include "upload/progress.h"

#include <gtest/gtest.h>

using namespace zarvex;
using namespace zarvex::test;

namespace {

struct DiscoveryRealRig : RealRig {
    RecordingInfo info;
    RecordingEthernetDialog ethernet;
    PortDiscovery discovery{ctx, link, info, ethernet};
};

std::string notice(int n) {
    return "Checking COM Port " + std::to_string(n) + ", Baud 38400. Please wait....";
}

TEST(RealPorts, UnitOnCom3OnlyIsFoundThere) {
    UnitProcess unit({"--pty"});
    ASSERT_TRUE(unit.started());
    ComMapping map({{3, unit.where()}});
    DiscoveryRealRig rig;
    EXPECT_EQ(rig.discovery.process_com(), 1);
    EXPECT_EQ(rig.port.comNumber(), 3);
    EXPECT_TRUE(rig.port.isOpen());
    EXPECT_EQ(rig.view.comLabel, "3");
    EXPECT_EQ(rig.info.notices, std::vector<std::string>{notice(3)});
    EXPECT_EQ(rig.state.awaitedPrompt, '#');
    EXPECT_TRUE(rig.op.messages.empty());
}

TEST(RealPorts, UnitAnsweringOnlyTheLoaderPromptIsFoundByTheSecondProbe) {
    UnitProcess unit({"--pty", "--only-prompt", ">"});
    ASSERT_TRUE(unit.started());
    ComMapping map({{1, unit.where()}});
    DiscoveryRealRig rig;
    EXPECT_EQ(rig.discovery.check_com(1), 1);
    EXPECT_EQ(rig.state.awaitedPrompt, '>');
    EXPECT_EQ(rig.state.lastComPort, 1);
}

TEST(RealPorts, NoUnitAnywhereLeavesTheSilentPortOpen) {
    UnitProcess silent({"--pty", "--silent"});
    ASSERT_TRUE(silent.started());
    ComMapping map({{2, silent.where()}, {4, "/nonexistent/zarvex-tty"}});
    DiscoveryRealRig rig;
    EXPECT_EQ(rig.discovery.process_com(), -1);
    EXPECT_TRUE(rig.port.isOpen());
    EXPECT_EQ(rig.port.comNumber(), 2);
    EXPECT_EQ(rig.view.comLabel, "None");
    EXPECT_EQ(rig.info.notices, std::vector<std::string>{notice(2)});
    EXPECT_EQ(rig.state.probing, 0);
}

TEST(RealPorts, PortHeldByAnotherProgramIsSkipped) {
    UnitProcess held({"--pty"});
    UnitProcess unit({"--pty"});
    ASSERT_TRUE(held.started() && unit.started());
    ComMapping map({{2, held.where()}, {5, unit.where()}});
    QtClock clock;
    QtSerialPort holder(clock);
    holder.setComNumber(2);
    ASSERT_TRUE(holder.open(nullptr));

    DiscoveryRealRig rig;
    EXPECT_EQ(rig.discovery.check_com(2), -1);
    EXPECT_TRUE(rig.info.notices.empty());
    EXPECT_EQ(rig.discovery.process_com(), 1);
    EXPECT_EQ(rig.port.comNumber(), 5);
    EXPECT_TRUE(rig.op.messages.empty());
}

TEST(RealPorts, SelectingAPortWithoutADeviceReportsIt) {
    ComMapping map({});
    DiscoveryRealRig rig;
    rig.discovery.select_com(7);
    EXPECT_EQ(rig.op.messages, std::vector<std::string>{"Error! Cannot establish communication using COM 7. "
                                                        "Please check RS232 connection"});
    EXPECT_EQ(rig.view.comLabel, "None");
    EXPECT_FALSE(rig.view.buttons);
}

} // namespace
