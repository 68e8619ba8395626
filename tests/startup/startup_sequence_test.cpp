// The start-up sequence: the configuration, the search for the unit, and the automatic
// run that ends the program; in virtual time against in-process units.

#include "app/startup.h"
#include "startup/startup_rig.h"

#include <gtest/gtest.h>

using namespace zarvex;
using namespace zarvex::test;

namespace {

const std::string kNoneConfigured =
    "Unable to open Hardware through COM ports. Select new COM port before proceeding";
const std::string kConfiguredFallback =
    "Error opening Hardware via COM ports. Select new COM port/check RS232 connection before proceeding";

TEST(FormShow, FindsTheUnitAndLeavesTheOperatorAtTheWindow) {
    struct Case {
        const char* name;
        std::map<int, std::string> config;
        std::vector<int> units;
        std::vector<int> opened; // every port opened, in order
        std::string label;
        bool lights;
        bool comCheckEnabled;
        bool buttons;
        std::string status;
    };
    const std::vector<Case> cases = {
        {"configured 3, unit on 3: only 3 is tried",
         {{1, "Com=COM3"}},
         {3},
         {3},
         "3",
         true,
         false,
         true,
         "Established communication on COM 3"},
        {"configured 3, unit on 5: 3, then the search from 1",
         {{1, "Com=COM3"}},
         {5},
         {3, 1, 2, 3, 4, 5},
         "5",
         true,
         false,
         true,
         "Established communication on COM 5"},
        {"nothing configured: the search starts at 1",
         {},
         {2},
         {1, 2},
         "2",
         true,
         false,
         true,
         "Established communication on COM 2"},
        {"no unit, nothing configured", {}, {}, {1, 2, 3, 4, 5}, "None", false, true, false, kNoneConfigured},
        {"no unit, configured 2: opened again without a probe",
         {{1, "Com=2"}},
         {},
         {2, 1, 2, 3, 4, 5, 2},
         "None",
         false,
         true,
         false,
         kConfiguredFallback},
    };
    for (const Case& c : cases) {
        StartupRig rig;
        rig.config(c.config);
        for (int n : c.units)
            rig.unitOn(n);
        rig.app.startup.FormShow();
        EXPECT_EQ(rig.port.opened, c.opened) << c.name;
        EXPECT_EQ(rig.view.comLabel, c.label) << c.name;
        EXPECT_EQ(rig.view.lights, c.lights) << c.name;
        EXPECT_EQ(rig.view.comCheckEnabled, c.comCheckEnabled) << c.name;
        EXPECT_EQ(rig.view.buttons, c.buttons) << c.name;
        EXPECT_EQ(rig.view.status, c.status) << c.name;
        EXPECT_EQ(rig.versionLabels, std::vector<std::string>{"Version : 2.06"}) << c.name;
        EXPECT_EQ(rig.splashHides, 1) << c.name;
        EXPECT_TRUE(rig.op.messages.empty()) << c.name;
        EXPECT_FALSE(rig.pumpUntilEnded()) << c.name << ": only the operator ends an interactive run";
    }
}

TEST(FormShow, ReadsTheConfigurationBeforeAnyPortAndAwaitsTheLoaderPrompt) {
    StartupRig rig;
    rig.config({{2, "Baud=300"}, {15, "Loader=$"}, {25, "Skip=TRUE"}});
    rig.view.lights = true;
    rig.app.startup.FormShow();
    EXPECT_EQ(rig.op.messages,
              std::vector<std::string>{"Error! Baud Rate set in LoaderDefault.ini file is invalid!"});
    EXPECT_EQ(rig.app.state.awaitedPrompt, '$');
    EXPECT_TRUE(rig.port.opened.empty()) << "skipPortSearch opens no port";
    EXPECT_FALSE(rig.view.buttons);
    EXPECT_TRUE(rig.view.lights) << "the lights stay as they are";
    EXPECT_EQ(rig.splashHides, 1);
}

TEST(FormShow, RunsOnceOnly) {
    StartupRig rig;
    rig.unitOn(1);
    rig.app.startup.FormShow();
    rig.app.startup.FormShow();
    EXPECT_EQ(rig.versionLabels.size(), 1u);
    EXPECT_EQ(rig.port.opened, std::vector<int>{1});
}

TEST(AutomaticRun, WithoutAPortShowsTheFatalErrorAndEnds) {
    StartupRig rig;
    rig.unitOn(1);
    rig.automatic("_SC \"HELLO\"\n", {{25, "Skip=TRUE"}});
    rig.app.startup.FormShow();
    EXPECT_EQ(rig.op.messages,
              std::vector<std::string>{"Error!! COM port communication failed. Please check "
                                       "RS232 connection/INI settings. Exiting application"});
    EXPECT_TRUE(rig.port.opened.empty());
    EXPECT_TRUE(rig.port.written.empty()) << "the script is not run";
    EXPECT_TRUE(rig.pumpUntilEnded());
    EXPECT_EQ(rig.exits, std::vector<int>{0});
    EXPECT_TRUE(rig.view.hidden);
}

TEST(AutomaticRun, RunsTheScriptWithTheWindowDisabledAndThenEnds) {
    StartupRig rig;
    unit::UnitModel& unit = rig.unitOn(2);
    std::string image(4500, '\0');
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = char(i * 31 + 7);
    const std::string imagePath = rig.writeFile("image.bin", image);
    rig.automatic("; unattended\n_TC \"^M\"\n_QC \"VER\"\n_LP 1\n_LF " + imagePath +
                  "\n_LA 8000\n_LV 1.0\n_CS \"2.06\" _LD\n_FI\n");
    bool disabledDuringRun = false;
    rig.clock.onPump.push_back([&] { disabledDuringRun = disabledDuringRun || !rig.view.windowEnabled; });

    rig.app.startup.FormShow();
    EXPECT_TRUE(rig.exits.empty()) << "the end waits for the event loop";
    ASSERT_EQ(unit.images().size(), 1u);
    EXPECT_EQ(unit.images()[0].verdict, unit::Verdict::Ok);
    EXPECT_EQ(unit.images()[0].bytes, image);
    EXPECT_TRUE(disabledDuringRun);
    EXPECT_TRUE(rig.view.windowEnabled);
    const auto& st = rig.view.statuses;
    const auto uploading = std::find(st.begin(), st.end(), "Uploading file(s). Please wait....");
    ASSERT_NE(uploading, st.end());
    EXPECT_NE(std::find(uploading, st.end(), "SUCCESS. Reading script file complete"), st.end());
    EXPECT_EQ(st.back(), " ");

    EXPECT_TRUE(rig.pumpUntilEnded(2));
    EXPECT_EQ(rig.exits, std::vector<int>{0});
    EXPECT_TRUE(rig.view.hidden);
}

TEST(AutomaticRun, PortLeftOpenBySearchWithoutUnitRunsAndTheScriptReportsIt) {
    StartupRig rig;
    rig.port.existing = {1, 2};
    rig.automatic("_TC \"^M\"\n_SC \"NEVER\"\n");
    rig.app.startup.FormShow();
    EXPECT_TRUE(rig.port.isOpen());
    EXPECT_EQ(rig.port.comNumber(), 2);
    EXPECT_EQ(rig.op.messages,
              std::vector<std::string>{"Error! Unable to get response from unit(_TC)! Exiting script"});
    EXPECT_EQ(rig.port.written.find("NEVER"), std::string::npos);
    EXPECT_TRUE(rig.pumpUntilEnded());
    EXPECT_EQ(rig.exits, std::vector<int>{0});
}

TEST(AutomaticRun, FailingScriptStillEndsWithStatusZero) {
    StartupRig rig;
    rig.unitOn(1);
    rig.config({{6, "Script=" + rig.path("missing.sld")}, {8, "Mode=AUTOMATIC"}});
    rig.app.startup.FormShow();
    EXPECT_EQ(rig.op.messages,
              std::vector<std::string>{"Error opening file " + rig.path("missing.sld") + " for read."});
    EXPECT_TRUE(rig.pumpUntilEnded());
    EXPECT_EQ(rig.exits, std::vector<int>{0});
}

} // namespace
