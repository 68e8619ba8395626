// Finding the unit on the serial ports, in virtual time against in-process ports: the
// probe of one port, the search, the fallback to the configured port and the RS-232
// menu entries.

#include "link/port_discovery.h"
#include "support/rig.h"
#include "unit_model.h"

#include <gtest/gtest.h>

#include <QTime>

using namespace zarvex;
using namespace zarvex::test;

namespace {

// Records the information window's showing and hiding in one sequence.
class InfoLog : public InfoView {
public:
    std::vector<std::string> events;
    bool visible = false;
    void showNotice(const std::string& text) override {
        events.push_back(text);
        visible = true;
    }
    void hideNotice() override {
        events.push_back("hide");
        visible = false;
    }
};

// A port that exists but whose opening fails, as one that another program grabs
// between the availability check and the open.
class GrabbedPorts : public FakeSerialPort {
public:
    using FakeSerialPort::FakeSerialPort;
    std::set<int> grabbed;
    bool isPortAvailable(int n) override { return n > 0 && existing.count(n); }
    bool open(std::string* error) override {
        if (grabbed.count(comNumber()))
            return false;
        return FakeSerialPort::open(error);
    }
};

struct DiscoveryRig {
    LoaderState state;
    RecordingClock clock;
    GrabbedPorts port{clock};
    FakeClientSocket socket{clock};
    ScriptedOperator op;
    RecordingView view;
    RecordingProgress progressDisplay;
    Progress progress{clock, progressDisplay};
    Context ctx{state, progress, clock, op, view, port, socket};
    Link link{ctx};
    InfoLog info;
    RecordingEthernetDialog ethernet;
    PortDiscovery discovery{ctx, link, info, ethernet};
    std::map<int, std::unique_ptr<unit::UnitModel>> units;

    explicit DiscoveryRig(std::set<int> existing = {1, 2, 3, 4}) { port.existing = std::move(existing); }

    unit::UnitModel& unitOn(int n, unit::UnitConfig config = {}) {
        port.existing.insert(n);
        auto& unit = units[n] = std::make_unique<unit::UnitModel>(config);
        port.peers[n] = [&u = *unit](std::string_view bytes) { return u.receive(bytes); };
        return *unit;
    }
    // A port with a device on it that never answers.
    void silentOn(int n) { port.existing.insert(n); }
};

std::string notice(int n, int baud = 38400) {
    return "Checking COM Port " + std::to_string(n) + ", Baud " + std::to_string(baud) + ". Please wait....";
}

unit::UnitConfig onlyPrompt(char c) {
    unit::UnitConfig config;
    config.onlyPrompt = c;
    return config;
}

// A probe without an answer waits twice 8 ticks of 55 ms.
constexpr std::int64_t kFailedProbeMs = 2 * 8 * 55;

TEST(CheckCom, ResultAndWhatTheOperatorSees) {
    struct Case {
        const char* name;
        int n;
        std::function<void(DiscoveryRig&)> setup;
        int result;
        std::vector<std::string> info;
        std::vector<std::string> messages;
        bool portOpen;
        char awaited;
    };
    const std::vector<Case> cases = {
        {"unit at its normal prompt",
         2,
         [](DiscoveryRig& r) { r.unitOn(2); },
         1,
         {notice(2), "hide"},
         {},
         true,
         '#'},
        {"unit answering only its loader prompt",
         2,
         [](DiscoveryRig& r) { r.unitOn(2, onlyPrompt('>')); },
         1,
         {notice(2), "hide"},
         {},
         true,
         '>'},
        {"device that never answers",
         2,
         [](DiscoveryRig& r) { r.silentOn(2); },
         0,
         {notice(2), "hide"},
         {},
         true,
         '>'},
        {"no such port", 2, [](DiscoveryRig& r) { r.port.existing = {1}; }, -1, {}, {}, false, '\0'},
        {"port 0", 0, [](DiscoveryRig& r) { r.port.existing.insert(0); }, -1, {}, {}, false, '\0'},
        {"port grabbed before the open",
         2,
         [](DiscoveryRig& r) {
             r.unitOn(2);
             r.port.grabbed.insert(2);
         },
         -2,
         {notice(2), "hide"},
         {"Note: COM Port #2 is not responding/being used by other applications."},
         false,
         '\0'},
    };
    for (const Case& c : cases) {
        DiscoveryRig rig;
        c.setup(rig);
        EXPECT_EQ(rig.discovery.check_com(c.n), c.result) << c.name;
        EXPECT_EQ(rig.info.events, c.info) << c.name;
        EXPECT_EQ(rig.op.messages, c.messages) << c.name;
        EXPECT_EQ(rig.port.isOpen(), c.portOpen) << c.name;
        EXPECT_EQ(rig.state.awaitedPrompt, c.awaited) << c.name;
        EXPECT_EQ(rig.state.probing, 0) << c.name;
        EXPECT_FALSE(rig.info.visible) << c.name;
        const bool found = c.result == 1;
        EXPECT_EQ(rig.view.comLabel, found ? "2" : "None") << c.name;
        EXPECT_EQ(rig.state.lastComPort, found ? 2 : 0) << c.name;
        EXPECT_EQ(rig.state.linkKind, found ? 0 : -1) << c.name;
        EXPECT_EQ(rig.view.ethernetEnabled, !found) << c.name;
        EXPECT_EQ(rig.view.status, found ? "Established communication on COM 2" : "") << c.name;
    }
}

TEST(CheckCom, ProbeIsACarriageReturnAndGivesUpAfterEightTicksPerPrompt) {
    DiscoveryRig rig;
    rig.silentOn(3);
    rig.port.setBaud(9600);
    EXPECT_EQ(rig.discovery.check_com(3), 0);
    EXPECT_EQ(rig.port.written, "\r\r");
    EXPECT_EQ(rig.info.events.front(), notice(3, 9600));
    EXPECT_GE(rig.clock.nowMs(), kFailedProbeMs);
    EXPECT_LT(rig.clock.nowMs(), kFailedProbeMs + 100);
}

TEST(ProcessCom, SearchStopsAtTheFirstPortThatAnswers) {
    DiscoveryRig rig({3});
    rig.unitOn(3);
    EXPECT_EQ(rig.discovery.process_com(), 1);
    EXPECT_EQ(rig.port.opened, std::vector<int>{3}); // 1 and 2 skipped without opening anything
    EXPECT_EQ(rig.info.events, (std::vector<std::string>{notice(3), "hide"}));
    EXPECT_EQ(rig.view.comLabel, "3");
    EXPECT_TRUE(rig.discovery.comChecked());
    EXPECT_FALSE(rig.view.busy);
    EXPECT_TRUE(rig.port.isOpen());
}

TEST(ProcessCom, ShowsTheNoticeOncePerPortAndHidesItBetween) {
    DiscoveryRig rig;
    rig.unitOn(4);
    EXPECT_EQ(rig.discovery.process_com(), 1);
    EXPECT_EQ(rig.info.events, (std::vector<std::string>{notice(1), "hide", notice(2), "hide", notice(3),
                                                         "hide", notice(4), "hide"}));
    EXPECT_EQ(rig.port.opened, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(rig.port.comNumber(), 4);
    EXPECT_GE(rig.clock.nowMs(), 3 * kFailedProbeMs);
    EXPECT_LT(rig.clock.nowMs(), 3 * kFailedProbeMs + 300);
}

TEST(ProcessCom, NoUnitAnywhereLeavesTheLastOpenablePortOpen) {
    DiscoveryRig rig({1, 2, 5, 14, 15});
    rig.port.grabbed = {14};
    EXPECT_EQ(rig.discovery.process_com(), -1);
    EXPECT_EQ(rig.port.opened, (std::vector<int>{1, 2, 5})); // 15 is left to the menu
    EXPECT_FALSE(rig.port.isOpen());                         // the grabbed 14 closed the port
    EXPECT_EQ(rig.op.messages, std::vector<std::string>{
                                   "Note: COM Port #14 is not responding/being used by other applications."});

    DiscoveryRig quiet({1, 2, 5});
    EXPECT_EQ(quiet.discovery.process_com(), -1);
    EXPECT_TRUE(quiet.port.isOpen());
    EXPECT_EQ(quiet.port.comNumber(), 5);
    EXPECT_EQ(quiet.view.comLabel, "None");
    EXPECT_FALSE(quiet.discovery.comChecked());
    EXPECT_FALSE(quiet.view.busy);
    EXPECT_TRUE(quiet.op.messages.empty());
}

TEST(OpenConfiguredCom, FallsBackWithoutProbing) {
    struct Case {
        const char* name;
        int configured;
        std::optional<int> openBefore; // port left open by the search
        std::set<int> existing;
        std::string status;
        bool open;
        int number;
        std::string label;
    };
    const std::string none =
        "Unable to open Hardware through COM ports. Select new COM port before proceeding";
    const std::string error =
        "Error opening Hardware via COM ports. Select new COM port/check RS232 connection before proceeding";
    const std::vector<Case> cases = {
        {"nothing configured", 0, 4, {1, 2, 3, 4}, none, true, 4, "None"},
        {"configured port, port closed", 3, std::nullopt, {1, 2, 3, 4}, error, true, 3, "3"},
        {"configured port, another one open", 3, 4, {1, 2, 3, 4}, error, true, 3, "None"},
        {"configured port missing, another one open", 9, 4, {1, 2, 3, 4}, error, true, 4, "None"},
        {"configured port missing, port closed on a missing number",
         9,
         std::nullopt,
         {1},
         error,
         false,
         9,
         "None"},
    };
    for (const Case& c : cases) {
        DiscoveryRig rig(c.existing);
        if (c.openBefore) {
            rig.port.setComNumber(*c.openBefore);
            rig.port.open(nullptr);
        } else {
            rig.port.setComNumber(9);
        }
        rig.view.lights = true;
        rig.state.configuredComPort = c.configured;
        rig.discovery.open_configured_com();
        EXPECT_EQ(rig.view.status, c.status) << c.name;
        EXPECT_EQ(rig.port.isOpen(), c.open) << c.name;
        EXPECT_EQ(rig.port.comNumber(), c.number) << c.name;
        EXPECT_EQ(rig.view.comLabel, c.label) << c.name;
        EXPECT_FALSE(rig.view.buttons) << c.name;
        EXPECT_EQ(rig.view.lights, c.configured == 0) << c.name; // the early return leaves the lights
        EXPECT_TRUE(rig.port.written.empty()) << c.name;
        EXPECT_TRUE(rig.op.messages.empty()) << c.name;
    }
}

TEST(SelectCom, ReportsTheOutcomeOfTheProbe) {
    struct Case {
        const char* name;
        std::function<void(DiscoveryRig&)> setup;
        std::string label;
        bool buttons;
        bool lights;
        std::vector<std::string> messages;
    };
    const std::string error =
        "Error! Cannot establish communication using COM 5. Please check RS232 connection";
    const std::vector<Case> cases = {
        {"unit answers", [](DiscoveryRig& r) { r.unitOn(5); }, "5", true, true, {}},
        {"port open, unit silent", [](DiscoveryRig& r) { r.silentOn(5); }, "5", true, true, {error}},
        {"no such port", [](DiscoveryRig&) {}, "None", false, false, {error}},
        {"port cannot be opened",
         [](DiscoveryRig& r) {
             r.silentOn(5);
             r.port.grabbed = {5};
         },
         "None",
         false,
         false,
         {"Note: COM Port #5 is not responding/being used by other applications.", error}},
    };
    for (const Case& c : cases) {
        DiscoveryRig rig;
        c.setup(rig);
        rig.ethernet.visible = true;
        rig.view.terminal = "old output";
        rig.view.lights = false;
        rig.discovery.select_com(5);
        const bool failed = !c.messages.empty();
        EXPECT_EQ(rig.view.statuses.front(), "Checking COM 5.... Please wait.... ") << c.name;
        EXPECT_EQ(rig.view.status, failed
                                       ? "Unable to open Hardware thru COM ports. Select new COM port/check "
                                         "RS232 connection before proceeding"
                                       : "Established communication on COM 5")
            << c.name;
        EXPECT_EQ(rig.op.messages, c.messages) << c.name;
        EXPECT_EQ(rig.view.comLabel, c.label) << c.name;
        EXPECT_EQ(rig.view.buttons, c.buttons) << c.name;
        EXPECT_EQ(rig.view.lights, c.lights) << c.name;
        EXPECT_EQ(rig.view.terminalClears, failed ? 0 : 1) << c.name;
        EXPECT_EQ(rig.discovery.comChecked(), !failed) << c.name;
        EXPECT_FALSE(rig.ethernet.visible) << c.name;
        EXPECT_FALSE(rig.view.busy) << c.name;
    }
}

TEST(NoneMenu, ClosesThePortAndNamesTheLastGoodOne) {
    DiscoveryRig before;
    before.silentOn(2);
    before.discovery.select_com(2);
    before.progressDisplay.visible = true;
    before.discovery.NoneMenuClick();
    EXPECT_EQ(before.view.status, "Note: Last successful COM port used is: Never");
    EXPECT_FALSE(before.port.isOpen());
    EXPECT_EQ(before.port.comNumber(), 0);
    EXPECT_EQ(before.view.comLabel, "None");
    EXPECT_TRUE(before.view.ethernetEnabled);
    EXPECT_FALSE(before.view.buttons);
    EXPECT_FALSE(before.progressDisplay.visible);

    DiscoveryRig after;
    after.unitOn(3);
    after.discovery.select_com(3);
    EXPECT_FALSE(after.view.ethernetEnabled);
    after.discovery.NoneMenuClick();
    EXPECT_EQ(after.view.status, "Note: Last successful COM port used is: 3");
    EXPECT_FALSE(after.port.isOpen());
    EXPECT_TRUE(after.view.ethernetEnabled);
}

TEST(SearchMenu, SuccessTurnsTheButtonsOnAndFailureFallsBack) {
    DiscoveryRig found;
    found.unitOn(2);
    found.view.buttons = false;
    found.discovery.SearchAllMenuClick();
    EXPECT_FALSE(found.view.comCheckEnabled);
    EXPECT_TRUE(found.view.lights);
    EXPECT_TRUE(found.view.buttons);

    DiscoveryRig failed;
    failed.discovery.SearchAllMenuClick();
    EXPECT_TRUE(failed.port.isOpen());
    EXPECT_EQ(failed.port.comNumber(), 4);
    EXPECT_FALSE(failed.view.buttons);
    EXPECT_TRUE(failed.view.comCheckEnabled);
    EXPECT_EQ(failed.view.status,
              "Unable to open Hardware through COM ports. Select new COM port before proceeding");
}

TEST(BaudMenu, SetsTheRateWithoutProbing) {
    for (int baud : {1200, 2400, 9600, 19200, 38400, 57600, 115200}) {
        DiscoveryRig rig;
        rig.unitOn(1);
        rig.port.setComNumber(1);
        rig.port.open(nullptr);
        rig.discovery.BaudMenuClick(baud);
        EXPECT_EQ(rig.port.baud(), baud);
        EXPECT_EQ(rig.view.baudLabel, std::to_string(baud));
        EXPECT_TRUE(rig.port.written.empty()) << baud;
        EXPECT_TRUE(rig.info.events.empty()) << baud;
        EXPECT_TRUE(rig.view.statuses.empty()) << baud;
    }
}

TEST(ComCheckBox, CheckingSearchesAndUncheckingCloses) {
    DiscoveryRig found;
    found.unitOn(2);
    found.discovery.setComChecked(true);
    EXPECT_TRUE(found.discovery.comChecked());
    EXPECT_TRUE(found.port.isOpen());
    EXPECT_EQ(found.port.comNumber(), 2);
    found.discovery.setComChecked(false);
    EXPECT_FALSE(found.port.isOpen());

    DiscoveryRig none;
    none.discovery.setComChecked(true);
    EXPECT_FALSE(none.discovery.comChecked());
    EXPECT_FALSE(none.port.isOpen()); // the search left port 4 open; unchecking closed it
    EXPECT_EQ(none.op.messages,
              std::vector<std::string>{"Unable to use Com Ports. Please make sure no one else is "
                                       "using the Hardware thru the Com Ports"});

    DiscoveryRig open;
    open.silentOn(3);
    open.port.setComNumber(3);
    open.port.open(nullptr);
    open.discovery.setComChecked(true); // a port is open already: no search
    EXPECT_TRUE(open.info.events.empty());
    EXPECT_TRUE(open.discovery.comChecked());
}

TEST(TimingTest, SendsTheCommandCountTimesAndTimesTheRun) {
    for (const auto& [count, sends] :
         std::vector<std::pair<std::string, int>>{{"3", 3}, {"0", 0}, {"abc", 0}}) {
        DiscoveryRig rig;
        rig.unitOn(1);
        rig.port.setComNumber(1);
        rig.port.open(nullptr);
        rig.port.replyDelayMs = 70;
        rig.state.set_prompt('#');
        const auto start = rig.clock.nowMs();
        const auto texts = rig.discovery.Button1Click(count);
        std::string expected;
        for (int i = 0; i < sends; ++i)
            expected += "OTPM? 1\r";
        EXPECT_EQ(rig.port.written, expected) << count;
        const QTime from = QTime::fromString(QString::fromStdString(texts.start), "HH:mm:ss.zzz");
        const QTime to = QTime::fromString(QString::fromStdString(texts.end), "HH:mm:ss.zzz");
        ASSERT_TRUE(from.isValid() && to.isValid()) << texts.start << " " << texts.end;
        const int measured = (from.msecsTo(to) + 86400000) % 86400000; // across midnight too
        EXPECT_EQ(measured, rig.clock.nowMs() - start) << count;
        EXPECT_GE(measured, sends * 70) << count;
    }
}

} // namespace
