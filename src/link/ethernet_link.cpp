// What the main window does around the TCP connection: the prompt check once it is up,
// the close from the menu, the socket errors with their one silent reconnect.

#include "link/ethernet_link.h"

#include <exception>
#include <utility>

namespace zarvex {

namespace {

constexpr const char* kConnectionLost = "Error! Connection to server lost";
constexpr const char* kCannotConnectVerify =
    "Error! Cannot connect to server/lost connection. Verify IP Address and Port #";
constexpr const char* kCannotConnect = "Error! Cannot connect to server/lost connection.";

} // namespace

EthernetLink::EthernetLink(Context& ctx, Link& link, EthernetDialogView& dialog)
    : localAddress(firstLocalIPv4), ctx_(ctx), link_(link), dialog_(dialog),
      connectionTimer_(ctx.clock.createTimer(kConnectionTimerMs, false)),
      deferredErrorTimer_(ctx.clock.createTimer(1, false)) {
    connectionTimer_->onTimer = [this] { ConnectionTimerTimer(); };
    deferredErrorTimer_->onTimer = [this] { runDeferredError(); };
}

void EthernetLink::wire() {
    link_.connectEthernet = [this] { ConnectButtonClick(); };
    link_.retryEthernet = [this] { return ClientSocketTryAgain(0); };
    ctx_.socket.onConnect = [this] { ClientSocket1Connect(); };
    ctx_.socket.onError = [this](int& errorCode) { onSocketError(errorCode); };
}

void EthernetLink::onSocketError(int& errorCode) {
    if (!ctx_.socket.active()) {
        ClientSocket1Error(errorCode); // a connect attempt failed
        return;
    }
    // The connection was up. The socket is torn down after this report returns, and a
    // reconnect made from inside it would go down with it.
    pendingErrorCode_ = errorCode;
    errorCode = 0;
    lostLinkPending_ = true;
    deferredErrorTimer_->setEnabled(true);
}

void EthernetLink::runDeferredError() {
    deferredErrorTimer_->setEnabled(false);
    if (lostLinkPending_)
        ClientSocket1Error(pendingErrorCode_);
}

void EthernetLink::ClientSocket1Connect() {
    LoaderState& s = ctx_.state;
    if (!s.tryEnetAgain)
        ctx_.view.terminalClear();
    ctx_.view.terminalSetEnabled(true);
    ctx_.view.terminalFocus();
    ctx_.socket.tag = 0; // ends the Connect operation's wait
    ctx_.show_status("Connection established. Verifying prompt....");
    s.probing = 1;
    checkPrompt();
    s.probing = 0;
    // The check only settles which prompt the unit shows; the link is up either way.
    ctx_.show_status("Connect via Ethernet successful");
    if (!s.tryEnetAgain)
        ctx_.enable_btns();
    ctx_.view.setConfigMenuEnabled(false);
    ctx_.view.setEnetConnectEnabled(false);
    ctx_.view.setEthernetChecked(true);
}

void EthernetLink::checkPrompt() {
    LoaderState& s = ctx_.state;
    try {
        if (!link_.SendCOMCmd_GetPrompt("\r")) {
            s.set_prompt(s.awaitedPrompt == s.normalPrompt ? s.loaderPrompt : s.normalPrompt);
            link_.SendCOMCmd_GetPrompt("\r");
        }
    } catch (const std::exception&) {
        ctx_.op.showMessage("Note: Ethernet connection not responding.");
    }
}

int EthernetLink::ClientSocketTryAgain(std::int32_t clearFlag) {
    EnetDisconnect1Click();
    ctx_.clock.sleep(kReconnectPauseMs);
    ConnectButtonClick();
    ctx_.pump();
    if (!ctx_.socket.active())
        return 0;
    ctx_.enable_btns();
    ctx_.clock.sleep(kResendPauseMs);
    link_.SendString(ctx_.state.commandText.view()); // as it was, without a line end
    if (clearFlag != 0)
        ctx_.state.SetTryEnetAgainFlag(false);
    return 1;
}

void EthernetLink::ClientSocket1Error(int& errorCode) {
    LoaderState& s = ctx_.state;
    // Looked at before anything is closed: a link that was up has been lost, otherwise
    // a connect attempt has failed.
    const bool linkLost = std::exchange(lostLinkPending_, false) || ctx_.socket.active();
    if (s.inSocketError) {
        // An error from inside this handler's own reconnect: that attempt is over.
        errorCode = 0;
        ctx_.socket.tag = 0;
        ClientSocketTryAgain(0);
    } else {
        s.inSocketError = true;
        if (!s.tryEnetAgain && !s.userDisconnected) {
            firstError(errorCode, linkLost);
        } else {
            // Already retried once, or the operator closed the link: the run stops.
            closeAfterError(errorCode, linkLost ? kConnectionLost : kCannotConnect, true);
        }
        s.inSocketError = false;
    }
    if (s.waitingForReply || link_.commandTimer().enabled())
        s.replyTimedOut = true;
}

// The first error on a link the operator did not close costs one reconnect and no message.
void EthernetLink::firstError(int& errorCode, bool linkLost) {
    if (link_.commandTimer().enabled())
        link_.commandTimer().setEnabled(false);
    ctx_.state.SetTryEnetAgainFlag(true);
    if (ClientSocketTryAgain(1) == 1) {
        errorCode = 0;
        return;
    }
    closeAfterError(errorCode, linkLost ? kConnectionLost : kCannotConnectVerify, false);
}

void EthernetLink::closeAfterError(int& errorCode, const char* message, bool stopRun) {
    LoaderState& s = ctx_.state;
    ctx_.socket.tag = 0;
    errorCode = 0;
    EnetDisconnect1Click();
    if (stopRun)
        ctx_.progress.cancelRequested = 1;
    ctx_.op.showMessage(message);
    dialog_.setControlsEnabled(true);
    ctx_.view.setEthernetChecked(false);
    s.replyTimedOut = true;
    s.SetTryEnetAgainFlag(false);
}

void EthernetLink::EnetDisconnect1Click() {
    if (!ctx_.socket.active() && ctx_.view.enetConnectEnabled())
        return; // nothing to close
    LoaderState& s = ctx_.state;
    ++disconnects_;
    s.userDisconnected = true;
    s.waitingForReply = false;
    link_.commandTimer().setEnabled(false);
    ctx_.socket.close();
    ctx_.show_status("Ethernet connection closed");
    ctx_.disable_btns();
    ctx_.view.setConfigMenuEnabled(true);
    ctx_.view.setEnetConnectEnabled(true);
    dialog_.setControlsEnabled(true);
    ctx_.view.setEthernetChecked(false);
    ctx_.progress.HideProgressForm();
    ctx_.view.setBusyCursor(false);
}

void EthernetLink::EnetConnect1Click() {
    ctx_.state.userDisconnected = false;
    dialog_.showDialog();
}

void EthernetLink::ConnectionTimerTimer() {
    connectionTimer_->setEnabled(false);
    connectionTimer_->tag = 1;
}

} // namespace zarvex
