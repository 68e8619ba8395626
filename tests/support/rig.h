#pragma once
// The loader's pieces wired to virtual time, the in-process links, a scripted operator
// and recording windows: a whole loader without a window or a device.

#include "engine/context.h"
#include "link/link.h"
#include "support/fake_links.h"
#include "support/fake_views.h"
#include "support/recording_clock.h"

namespace zarvex::test {

struct Rig {
    LoaderState state;
    RecordingClock clock;
    FakeSerialPort port{clock};
    FakeClientSocket socket{clock};
    ScriptedOperator op;
    RecordingView view;
    RecordingProgress progressDisplay;
    Progress progress{clock, progressDisplay};
    Context ctx{state, progress, clock, op, view, port, socket};
    Link link{ctx};

    // Opens serial port n with the given unit behind it.
    void openSerial(int n, Peer peer) { openWithPeer(port, n, std::move(peer)); }
    // Connects the socket to a server on `tcpPort` and runs pumps until it is up.
    void connectEthernet(int tcpPort, Peer peer) { connectWithPeer(socket, clock, tcpPort, std::move(peer)); }
};

} // namespace zarvex::test
