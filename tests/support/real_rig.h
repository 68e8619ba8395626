#pragma once
// The loader's pieces on the real platform layer (Qt's event loop, a real serial port
// and TCP client) with a scripted operator and recording windows, for the tests and
// benchmarks that talk to zarvex-unit over a pseudo-terminal or loopback TCP.

#include "engine/context.h"
#include "link/link.h"
#include "link/platform/qt_client_socket.h"
#include "link/platform/qt_clock.h"
#include "link/platform/qt_serial_port.h"
#include "support/fake_views.h"

namespace zarvex::test {

struct RealRig {
    LoaderState state;
    QtClock clock;
    QtSerialPort port{clock};
    QtClientSocket socket;
    ScriptedOperator op;
    RecordingView view;
    RecordingProgress progressDisplay;
    Progress progress{clock, progressDisplay};
    Context ctx{state, progress, clock, op, view, port, socket};
    Link link{ctx};
};

} // namespace zarvex::test
