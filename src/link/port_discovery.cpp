#include "link/port_discovery.h"

#include "engine/arguments.h"

#include <QDateTime>

#include <exception>

namespace zarvex {

namespace {

// Keeps `probing` at 1 for the length of a probe, however the probe ends.
class ProbingScope {
public:
    explicit ProbingScope(LoaderState& s) : s_(s) { s_.probing = 1; }
    ~ProbingScope() { s_.probing = 0; }
    ProbingScope(const ProbingScope&) = delete;
    ProbingScope& operator=(const ProbingScope&) = delete;

private:
    LoaderState& s_;
};

std::string timeOfDay(const QDateTime& t) {
    return t.toString("HH:mm:ss.zzz").toStdString();
}

} // namespace

PortDiscovery::PortDiscovery(Context& ctx, Link& link, InfoView& info, EthernetDialogView& ethernet)
    : ctx_(ctx), link_(link), info_(info), ethernet_(ethernet) {}

int PortDiscovery::check_com(int n) {
    SerialPort& port = ctx_.port;
    if (!port.isPortAvailable(n))
        return kNoSuchPort;
    info_.showNotice("Checking COM Port " + std::to_string(n) + ", Baud " + baudText() + ". Please wait....");
    ctx_.pump();

    const bool opened = port.setComNumber(n) && (port.isOpen() || port.open(nullptr));
    int result = kCannotOpen;
    if (!opened) {
        ctx_.op.showMessage("Note: COM Port #" + std::to_string(n) +
                            " is not responding/being used by other applications.");
        port.close();
    } else {
        result = probeForPrompt(n) ? kFound : kNoAnswer;
    }
    if (result == kFound)
        reportFound();
    info_.hideNotice();
    ctx_.pump();
    return result;
}

// The unit may sit at either prompt; awaitedPrompt is left at the one that answered.
bool PortDiscovery::probeForPrompt(int n) {
    LoaderState& s = ctx_.state;
    ProbingScope probing(s);
    try {
        s.set_prompt(s.normalPrompt);
        if (link_.SendCOMCmd_GetPrompt("\r"))
            return true;
        s.set_prompt(s.loaderPrompt);
        return link_.SendCOMCmd_GetPrompt("\r");
    } catch (const std::exception&) {
        ctx_.op.showMessage("Note: COM Port #" + std::to_string(n) + " is not responding.");
        return false;
    }
}

void PortDiscovery::reportFound() {
    LoaderState& s = ctx_.state;
    ctx_.show_status("Established communication on COM " + portNumberText());
    ctx_.view.setComNumberLabel(portNumberText());
    s.lastComPort = ctx_.port.comNumber();
    s.linkKind = 0;
    ctx_.view.setComBaudLabel(baudText());
    ctx_.view.setEthernetMenuEnabled(false);
}

int PortDiscovery::process_com() {
    ctx_.view.setBusyCursor(true);
    bool found = false;
    for (int n = kSearchFirstPort; n <= kSearchLastPort && !found; ++n)
        found = check_com(n) > 0;
    if (found)
        setComChecked(true);
    ctx_.view.setBusyCursor(false);
    return found ? 1 : -1;
}

void PortDiscovery::open_configured_com() {
    SerialPort& port = ctx_.port;
    const int configured = ctx_.state.configuredComPort;
    if (configured == 0) {
        ctx_.show_status("Unable to open Hardware through COM ports. Select new COM port before proceeding");
        ctx_.disable_btns();
        return;
    }
    ctx_.show_status(
        "Error opening Hardware via COM ports. Select new COM port/check RS232 connection before proceeding");
    if (port.isPortAvailable(configured))
        port.setComNumber(configured);
    if (!port.isOpen()) {
        if (port.open(nullptr))
            ctx_.view.setComNumberLabel(portNumberText());
        else
            port.close();
    }
    ctx_.disable_btns();
    ctx_.view.setLightsMonitoring(false);
}

void PortDiscovery::select_com(int n) {
    MainView& view = ctx_.view;
    view.setBusyCursor(true);
    if (ethernet_.isDialogVisible())
        ethernet_.hideDialog();
    ctx_.show_status("Checking COM " + std::to_string(n) + ".... Please wait.... ");
    const int r = check_com(n);
    if (r > 0) {
        ctx_.show_status("Established communication on COM " + std::to_string(n));
        view.terminalClear();
        setComChecked(true);
        view.setLightsMonitoring(true);
        ctx_.enable_btns();
    } else {
        ctx_.show_status("Unable to open Hardware thru COM ports. Select new COM port/check RS232 connection "
                         "before proceeding");
        ctx_.op.showMessage("Error! Cannot establish communication using COM " + std::to_string(n) +
                            ". Please check RS232 connection");
        // An open port without an answer is still a link the operator may use.
        if (r == 0) {
            view.setLightsMonitoring(true);
            ctx_.enable_btns();
        } else {
            ctx_.disable_btns();
        }
    }
    view.setComNumberLabel(r < 0 ? "None" : portNumberText());
    view.setBusyCursor(false);
}

void PortDiscovery::NoneMenuClick() {
    const int last = ctx_.state.lastComPort;
    ctx_.show_status("Note: Last successful COM port used is: " +
                     (last > 0 ? std::to_string(last) : "Never"));
    ctx_.port.close();
    ctx_.port.setComNumber(0);
    ctx_.view.setComNumberLabel("None");
    ctx_.view.setEthernetMenuEnabled(true);
    ctx_.disable_btns();
    ctx_.progress.HideProgressForm();
    ctx_.view.setBusyCursor(false);
}

void PortDiscovery::SearchAllMenuClick() {
    if (process_com() == -1) {
        open_configured_com();
        return;
    }
    ctx_.view.setComCheckBoxEnabled(false);
    ctx_.view.setLightsMonitoring(true);
    ctx_.enable_btns();
}

void PortDiscovery::BaudMenuClick(int baud) {
    ctx_.port.setBaud(baud);
    ctx_.view.setComBaudLabel(baudText());
}

void PortDiscovery::setComChecked(bool on) {
    if (on == comChecked_)
        return;
    comChecked_ = on;
    ComCheckBoxClick();
}

void PortDiscovery::ComCheckBoxClick() {
    SerialPort& port = ctx_.port;
    if (!comChecked_) {
        if (port.isOpen())
            port.close();
        return;
    }
    if (port.isOpen() || process_com() != -1)
        return;
    setComChecked(false);
    ctx_.op.showMessage(
        "Unable to use Com Ports. Please make sure no one else is using the Hardware thru the Com Ports");
}

PortDiscovery::TimingTexts PortDiscovery::Button1Click(const std::string& countText) {
    // The time of day at the start; the end adds what the loader's clock measured, so
    // the two texts differ by exactly the time the exchanges took.
    const QDateTime start = QDateTime::currentDateTime();
    const std::int64_t startMs = ctx_.clock.nowMs();
    const long count = readDecimal(countText);
    for (long i = 0; i < count; ++i)
        link_.SendCOMCmd_GetPrompt("OTPM? 1\r");
    const QDateTime end = start.addMSecs(ctx_.clock.nowMs() - startMs);
    return {timeOfDay(start), timeOfDay(end)};
}

} // namespace zarvex
