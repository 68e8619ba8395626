#pragma once
// The Ethernet link with the real TCP client and the real clock, against zarvex-unit
// listening on 127.0.0.1. Only the loopback address is ever contacted.

#include "link/ethernet_link.h"
#include "link/platform/qt_client_socket.h"
#include "link/platform/qt_clock.h"
#include "link/platform/qt_serial_port.h"
#include "support/fake_views.h"
#include "support/real_rig.h"

#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <string>
#include <vector>

namespace zarvex::test {

// zarvex-unit on a port of its choosing, with its event log in a private folder.
class UnitProcess {
public:
    explicit UnitProcess(const QStringList& faults);
    ~UnitProcess();
    UnitProcess(const UnitProcess&) = delete;
    UnitProcess& operator=(const UnitProcess&) = delete;

    int port() const { return port_; }
    // The events of the unit's log so far, of one kind ("connect", "line", ...).
    std::vector<QJsonObject> events(const QString& kind) const;

private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};

// A port on 127.0.0.1 that refuses connections: one that was free a moment ago.
int refusingPort();

struct LiveRig : RealRig {
    RecordingEthernetDialog dialog;
    EthernetLink eth{ctx, link, dialog};

    LiveRig() {
        eth.wire();
        eth.localAddress = [] { return std::optional<std::string>("127.0.0.1"); };
        state.awaitedPrompt = state.normalPrompt;
        link.keepAliveTimer().setEnabled(false); // as during a script run
    }
    void connectTo(int tcpPort) {
        dialog.portText = std::to_string(tcpPort);
        eth.ConnectButtonClick();
    }
};

} // namespace zarvex::test
