#pragma once
// The pieces every operation of the loader reaches: the shared state, the stop flag,
// the clock, the operator, the main window and the two links.

#include "engine/loader_state.h"
#include "engine/views.h"
#include "link/platform/client_socket.h"
#include "link/platform/clock.h"
#include "link/platform/operator.h"
#include "link/platform/serial_port.h"
#include "upload/progress.h"

namespace zarvex {

struct Context {
    LoaderState& state;
    Progress& progress;
    Clock& clock;
    Operator& op;
    MainView& view;
    SerialPort& port;
    ClientSocket& socket;

    void show_status(const std::string& text) { view.showStatus(text); }
    void disable_btns() { view.setScriptButtonsEnabled(false); }
    void enable_btns() { view.setScriptButtonsEnabled(true); }
    void pump() { clock.processMessages(); }
    // Shows a message and keeps it as the last composed message.
    void showError(const std::string& text) {
        state.messageText = text;
        op.showMessage(text);
    }
};

} // namespace zarvex
