// The Ethernet dialog's side of the link: the Connect operation with its bounded wait,
// Disconnect, the checks of the address boxes and the computer's own address.

#include "link/ethernet_link.h"

#include <QHostAddress>
#include <QNetworkInterface>

#include <charconv>
#include <climits>

namespace zarvex {

namespace {

constexpr const char* kInvalidAddressOrPort = "Error! Invalid IP Address / Port #";

} // namespace

std::optional<long> readBoxNumber(const std::string& text) {
    std::string_view digits(text);
    const bool negative = !digits.empty() && digits.front() == '-';
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+'))
        digits.remove_prefix(1);
    if (digits.empty() || digits.front() < '0' || digits.front() > '9')
        return std::nullopt; // also refuses a second sign, which from_chars would take
    long value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size() || value > INT_MAX)
        return std::nullopt;
    return negative ? -value : value;
}

std::optional<std::string> firstLocalIPv4() {
    std::optional<std::string> loopback;
    for (const QNetworkInterface& nic : QNetworkInterface::allInterfaces()) {
        if (!nic.flags().testFlag(QNetworkInterface::IsUp))
            continue;
        for (const QNetworkAddressEntry& entry : nic.addressEntries()) {
            const QHostAddress ip = entry.ip();
            if (ip.protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            if (!ip.isLoopback())
                return ip.toString().toStdString();
            if (!loopback)
                loopback = ip.toString().toStdString();
        }
    }
    return loopback;
}

void EthernetLink::ConnectButtonClick() {
    if (connectInProgress_)
        return; // a click, an exchange or a reconnect during the wait of another Connect
    connectInProgress_ = true;
    ctx_.view.setBusyCursor(true);
    if (ctx_.socket.active()) {
        ctx_.view.setBusyCursor(false);
        connectInProgress_ = false;
        return;
    }
    if (startAttempt())
        waitForConnection();
    finishAttempt();
}

// Opens the socket with the dialog's values; false (with the message) when there is
// nothing to wait for.
bool EthernetLink::startAttempt() {
    const std::optional<long> port = readBoxNumber(dialog_.portBox());
    if (!port || *port < 0) {
        refuseAttempt(kInvalidAddressOrPort);
        return false;
    }
    if (*port > kHighestPort) {
        refuseAttempt("Error! Port # must be less than 65535");
        return false;
    }
    ClientSocket& socket = ctx_.socket;
    socket.setAddress(joinedAddress());
    socket.setPort(int(*port));
    socket.tag = 1;
    ctx_.show_status("Attempting Ethernet connection. Please wait....");
    if (!socket.open(nullptr)) {
        refuseAttempt(kInvalidAddressOrPort);
        return false;
    }
    dialog_.setControlsEnabled(false);
    connectionTimer_->tag = 0;
    connectionTimer_->setEnabled(true);
    ctx_.pump();
    return true;
}

// The connect and error handlers, the timer and the operator's input run in the pumps.
// A Disconnect made during the wait ends it; one made before it (the reconnect's own
// close, or an earlier one from the menu) does not, so a reconnect waits for its
// connection like any other attempt.
void EthernetLink::waitForConnection() {
    const int disconnectsAtStart = disconnects_;
    for (int rounds = 0; ctx_.socket.tag == 1 && !ctx_.socket.active() && disconnects_ == disconnectsAtStart;
         ++rounds) {
        if (rounds > kConnectPassLimit || connectionTimer_->tag == 1) {
            giveUpAttempt();
            break;
        }
        ctx_.clock.sleep(1);
        ctx_.pump();
    }
    connectionTimer_->setEnabled(false);
}

void EthernetLink::giveUpAttempt() {
    connectionTimer_->setEnabled(false);
    DisconnectButtonClick();
    ctx_.op.showMessage("Error! Cannot connect to server. Check IP Address");
    ctx_.view.setEthernetChecked(false);
    ctx_.socket.tag = 0;
    ctx_.state.SetTryEnetAgainFlag(false);
}

void EthernetLink::finishAttempt() {
    ctx_.view.setBusyCursor(false);
    if (ctx_.socket.active()) {
        if (dialog_.isDialogVisible())
            dialog_.hideDialog();
        ctx_.state.linkKind = 1;
    } else {
        ctx_.socket.tag = 0; // the attempt is over; the dialog may close again
    }
    connectInProgress_ = false;
    ctx_.view.terminalClear();
}

void EthernetLink::refuseAttempt(const char* message) {
    ctx_.op.showMessage(message);
    dialog_.focusPortBox();
}

// The four boxes as typed: the socket, not the dialog, decides whether it is an address.
std::string EthernetLink::joinedAddress() const {
    std::string address;
    for (int box = 0; box < 4; ++box)
        address += (box == 0 ? "" : ".") + dialog_.addressBox(box);
    return address;
}

void EthernetLink::DisconnectButtonClick() {
    ctx_.socket.close();
    dialog_.setControlsEnabled(true);
}

void EthernetLink::IPEditExit(int box) {
    if (box < 0 || box > 3)
        return;
    const std::optional<long> number = readBoxNumber(dialog_.addressBox(box));
    if (!number) {
        ctx_.op.showMessage("Error! Invalid IP Address");
        dialog_.focusAddressBox(box);
    } else if (*number < 0 || *number > 255) {
        ctx_.op.showMessage("Error! Number must be between 0 - 255");
        dialog_.focusAddressBox(box);
    }
}

void EthernetLink::FormShow() {
    const std::optional<std::string> own = localAddress ? localAddress() : std::nullopt;
    if (own) {
        dialog_.setDialogStatus("Note: Computer's IP Addr = " + *own);
    } else {
        ctx_.op.showMessage(kInvalidAddressOrPort);
        dialog_.focusPortBox();
    }
    dialog_.focusAddressBox(0);
}

} // namespace zarvex
