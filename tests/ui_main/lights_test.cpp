// The RS-232 line lights: CTS and DCD follow the modem lines while monitoring is on, RXD
// and TXD flash on traffic, and a device without modem lines never lights CTS or DCD.

#include "ui/line_lights.h"
#include "window_rig.h"

#include <gtest/gtest.h>

using namespace zarvex;
using namespace zarvex::test;

namespace {

// A pseudo-terminal or adapter without modem lines.
class NoModemLinesPort : public FakeSerialPort {
public:
    using FakeSerialPort::FakeSerialPort;
    ModemLines modemLines() override { return {true, true, false}; }
};

struct Lights {
    bool cts, dcd, rxd, txd;
    bool operator==(const Lights&) const = default;
};

Lights lightsOf(WindowRig& rig) {
    auto lit = [&](const char* name) { return rig.control<TApdStatusLight>(name)->lit(); };
    return {lit("ApdStatusLight1"), lit("ApdStatusLight2"), lit("ApdStatusLight3"), lit("ApdStatusLight4")};
}

std::ostream& operator<<(std::ostream& out, const Lights& l) {
    return out << "CTS " << l.cts << " DCD " << l.dcd << " RXD " << l.rxd << " TXD " << l.txd;
}

TEST(LineLights, FollowTheLinesOnlyWhileMonitoring) {
    WindowRig rig;
    rig.openSerial(1, nullptr);
    EXPECT_EQ(lightsOf(rig), (Lights{false, false, false, false})) << "unlit at start";
    rig.port.unitSends("x");
    rig.clock.processMessages();
    EXPECT_EQ(lightsOf(rig), (Lights{false, false, false, false})) << "no monitoring, no lights";

    rig.window.setLightsMonitoring(true);
    EXPECT_EQ(lightsOf(rig), (Lights{true, true, false, false}));
    rig.port.ctsLow = true;
    rig.window.lineLights().refresh();
    EXPECT_FALSE(lightsOf(rig).cts);

    rig.port.unitSends("y");
    rig.clock.processMessages();
    EXPECT_TRUE(lightsOf(rig).rxd);
    rig.port.onSent(3); // bytes handed to the line
    EXPECT_TRUE(lightsOf(rig).txd);

    rig.window.setLightsMonitoring(false);
    EXPECT_EQ(lightsOf(rig), (Lights{false, false, false, false}));
}

TEST(LineLights, ClosedPortShowsNothing) {
    WindowRig rig;
    rig.window.setLightsMonitoring(true);
    EXPECT_EQ(lightsOf(rig), (Lights{false, false, false, false}));
}

TEST(LineLights, DeviceWithoutModemLinesStillFlashesTraffic) {
    TRirovUzodAdiruvForm window;
    LoaderState state;
    RecordingClock clock;
    NoModemLinesPort port(clock);
    FakeClientSocket socket(clock);
    ScriptedOperator op;
    auto keepAlive = clock.createTimer(6010, true);
    window.connectLogic({state, port, socket, *keepAlive, op});
    port.existing.insert(1);
    port.setComNumber(1);
    port.open(nullptr);

    window.setLightsMonitoring(true);
    auto lit = [&](const char* name) { return window.findChild<TApdStatusLight*>(name)->lit(); };
    EXPECT_FALSE(lit("ApdStatusLight1")) << "CTS";
    EXPECT_FALSE(lit("ApdStatusLight2")) << "DCD";
    port.unitSends("z");
    clock.processMessages();
    EXPECT_TRUE(lit("ApdStatusLight3")) << "RXD";
    EXPECT_EQ(window.terminal().screenText(), "z") << "the terminal still shows it";
}

} // namespace
