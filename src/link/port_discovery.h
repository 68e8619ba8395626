#pragma once
// Finding the unit on a serial port: probe one port for either prompt (check_com),
// search ports 1 to 14 (process_com), fall back to the configured port after a failed
// search, and the RS-232 menu entries (COM n, None, Search, the baud rates), the hidden
// "Use COM" check box and the hidden timing test.

#include "engine/context.h"
#include "engine/views.h"
#include "link/link.h"

#include <string>

namespace zarvex {

class PortDiscovery {
public:
    static constexpr int kSearchFirstPort = 1;
    static constexpr int kSearchLastPort = 14; // 15 and 16 only through the menu

    // check_com results.
    static constexpr int kFound = 1;
    static constexpr int kNoAnswer = 0;
    static constexpr int kNoSuchPort = -1;
    static constexpr int kCannotOpen = -2;

    PortDiscovery(Context& ctx, Link& link, InfoView& info, EthernetDialogView& ethernet);

    // Probes port n with a CR for the normal, then the loader prompt; kFound .. kCannotOpen.
    int check_com(int n);
    // 1 when the unit answered on one of ports 1 to 14, -1 otherwise.
    int process_com();
    // After a failed search: opens configuredComPort without probing it.
    void open_configured_com();
    // The COM n menu entries: probe and tell the operator.
    void select_com(int n);

    void NoneMenuClick();
    void SearchAllMenuClick();
    // The baud menu entries (1200 to 115200): set the rate, no probe.
    void BaudMenuClick(int baud);

    // The hidden "Use COM" box. Changing its state, also from here, runs ComCheckBoxClick.
    bool comChecked() const { return comChecked_; }
    void setComChecked(bool on);
    void ComCheckBoxClick();

    // The hidden timing test: sends "OTPM? 1\r" `countText` times with a prompt wait and
    // gives the start and end as times of day.
    struct TimingTexts {
        std::string start;
        std::string end;
    };
    TimingTexts Button1Click(const std::string& countText);

private:
    bool probeForPrompt(int n);
    void reportFound();
    std::string portNumberText() const { return std::to_string(ctx_.port.comNumber()); }
    std::string baudText() const { return std::to_string(ctx_.port.baud()); }

    Context& ctx_;
    Link& link_;
    InfoView& info_;
    EthernetDialogView& ethernet_;
    bool comChecked_ = false;
};

} // namespace zarvex
