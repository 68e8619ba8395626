#pragma once
// The Ethernet link on virtual time: the rig's fake socket, a recording dialog and, behind
// a port, the unit's protocol model. Only 127.0.0.1 appears as an address.

#include "link/ethernet_link.h"
#include "support/rig.h"
#include "unit_model.h"

#include <memory>
#include <string>
#include <vector>

namespace zarvex::test {

// The recording dialog, also noting where the focus was put.
class FocusDialog : public RecordingEthernetDialog {
public:
    std::vector<std::string> focus; // "port" or "box<i>", in order
    void focusPortBox() override {
        RecordingEthernetDialog::focusPortBox();
        focus.push_back("port");
    }
    void focusAddressBox(int i) override { focus.push_back("box" + std::to_string(i)); }
};

struct EthernetRig {
    static constexpr int kPort = 3000;

    Rig rig;
    FocusDialog dialog;
    EthernetLink eth{rig.ctx, rig.link, dialog};
    std::shared_ptr<unit::UnitModel> unit;
    std::vector<std::string> links; // what the unit received, one entry a connection

    EthernetRig() {
        eth.wire();
        eth.localAddress = [] { return std::optional<std::string>("127.0.0.1"); };
        rig.state.awaitedPrompt = rig.state.normalPrompt;
        dialog.visible = true;
    }

    // Puts the unit model behind the port. Over TCP the unit does not echo.
    void serve(unit::UnitConfig config = {}) {
        config.echo = false;
        unit = std::make_shared<unit::UnitModel>(config, [] { return 0.0; });
        rig.socket.servers[kPort] = [this](std::string_view bytes) {
            links.back().append(bytes);
            return unit->receive(bytes);
        };
        auto connected = rig.socket.onConnect;
        rig.socket.onConnect = [this, connected] {
            unit->connected();
            links.emplace_back();
            connected();
        };
    }

    // The unit's close-after fault as a Qt socket reports it: an error while the link is
    // still up, then the link is down.
    void unitClosesLikeQt(bool thenRefuse = false) {
        rig.clock.onPump.push_back([this, thenRefuse] {
            if (!rig.socket.active() || !unit->wantsClose())
                return;
            int code = 2; // "remote host closed"
            rig.socket.onError(code);
            rig.socket.peerCloses();
            unit->disconnected();
            if (thenRefuse)
                rig.socket.servers.erase(kPort);
        });
    }

    void connect() {
        dialog.portText = std::to_string(kPort);
        eth.ConnectButtonClick();
    }

    const std::vector<std::string>& messages() const { return rig.op.messages; }
};

inline std::string repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

} // namespace zarvex::test
