#pragma once
// The Ethernet link around the TCP client: the Ethernet dialog's Connect operation (the
// one way the link is opened), the prompt check once the connection is up, the close from
// the menu, the socket error handler with its one silent reconnect, and the timer that
// bounds a connect attempt. Everything runs on the UI thread; the socket's events arrive
// inside the pumps of these operations and of the exchanges.

#include "engine/context.h"
#include "link/link.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace zarvex {

// The unit address the dialog's boxes hold until the configuration replaces it: the
// workstation itself, where the virtual unit listens, so that an unconfigured loader never
// reaches out to some other device on the network.
inline constexpr std::array<const char*, 4> kDefaultUnitAddress = {"127", "0", "0", "1"};
inline constexpr const char* kDefaultUnitPort = "3000";

class EthernetLink {
public:
    static constexpr int kConnectionTimerMs = 5000;
    static constexpr int kConnectPassLimit = 5000;
    static constexpr int kReconnectPauseMs = 200;
    static constexpr int kResendPauseMs = 900;
    static constexpr int kHighestPort = 65535;

    EthernetLink(Context& ctx, Link& link, EthernetDialogView& dialog);
    EthernetLink(const EthernetLink&) = delete;
    EthernetLink& operator=(const EthernetLink&) = delete;

    // Makes this the link's way to connect and to retry, and the socket's connect and
    // error handler.
    void wire();

    // --- the link (main window side) ---
    void ClientSocket1Connect();
    // Closes, reconnects through the Connect operation and resends commandText; 1 when the
    // link is up again. A non-zero clearFlag clears tryEnetAgain after a reconnect.
    int ClientSocketTryAgain(std::int32_t clearFlag);
    void ClientSocket1Error(int& errorCode);
    void EnetDisconnect1Click();
    void EnetConnect1Click();
    void ConnectionTimerTimer();

    // --- the Ethernet dialog ---
    void ConnectButtonClick();
    void DisconnectButtonClick();
    // The check when the focus leaves address box 0 to 3 (IPEdit1Exit to IPEdit4Exit).
    void IPEditExit(int box);
    // The dialog's show handler: the computer's own address in its status bar.
    void FormShow();
    // The dialog refuses to close while a connect attempt runs.
    bool canCloseDialog() const { return ctx_.socket.tag != 1; }
    bool connectInProgress() const { return connectInProgress_; }

    Timer& connectionTimer() { return *connectionTimer_; }
    // Where FormShow finds the computer's address; tests replace it.
    std::function<std::optional<std::string>()> localAddress;

private:
    // Qt-style sockets report a connection that drops while up as an error and tear the
    // socket down after the report returns; the handler then runs at the next pump.
    void onSocketError(int& errorCode);
    void runDeferredError();

    void firstError(int& errorCode, bool linkLost);
    void closeAfterError(int& errorCode, const char* message, bool stopRun);
    void checkPrompt();

    // Steps of the Connect operation.
    bool startAttempt();
    void waitForConnection();
    void giveUpAttempt();
    void finishAttempt();
    void refuseAttempt(const char* message);
    std::string joinedAddress() const;

    Context& ctx_;
    Link& link_;
    EthernetDialogView& dialog_;
    std::unique_ptr<Timer> connectionTimer_;
    std::unique_ptr<Timer> deferredErrorTimer_;
    bool connectInProgress_ = false;
    bool lostLinkPending_ = false;
    int pendingErrorCode_ = 0;
    // Counts the closes of EnetDisconnect1Click, so that a Disconnect made while an
    // attempt waits ends that wait.
    int disconnects_ = 0;
};

// The computer's own address: the first IPv4 address of an interface that is up and not
// the loopback; the loopback address on a computer without another; nullopt without any.
std::optional<std::string> firstLocalIPv4();

// A box's text as a whole decimal number with an optional sign; nullopt for anything else
// (empty, letters, a number beyond the 32-bit range).
std::optional<long> readBoxNumber(const std::string& text);

} // namespace zarvex
