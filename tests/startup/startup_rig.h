#pragma once
// The whole loader as the composition root builds it, over virtual time, in-process
// serial ports with virtual units behind them, a scripted operator and recording
// windows. Ending the process throws ProcessEnded, so that "ends at once" unwinds
// whatever was running, as the real end of the process abandons it.

#include "app/loader_app.h"
#include "support/fake_links.h"
#include "support/fake_views.h"
#include "support/recording_clock.h"
#include "unit_model.h"

#include <QTemporaryDir>

#include <fstream>
#include <map>
#include <memory>

namespace zarvex::test {

struct ProcessEnded {
    int status;
};

// A configuration file of numbered positions; the others are lines without '='.
inline std::string positions(const std::map<int, std::string>& lines) {
    std::string file;
    const int last = lines.empty() ? 0 : lines.rbegin()->first;
    for (int p = 1; p <= last; ++p)
        file += (lines.count(p) ? lines.at(p) : "unused " + std::to_string(p)) + "\n";
    return file;
}

struct StartupRig {
    RecordingClock clock;
    FakeSerialPort port{clock};
    FakeClientSocket socket{clock};
    ScriptedOperator op;
    RecordingView view;
    RecordingProgress progressDisplay;
    RecordingEthernetDialog ethernet;
    RecordingInfo info;
    std::vector<int> exits;
    std::vector<std::string> versionLabels;
    int splashHides = 0;
    LoaderApp app{{clock, port, socket, op}, {view, progressDisplay, ethernet, info}, [this](int status) {
                      exits.push_back(status);
                      throw ProcessEnded{status};
                  }};
    QTemporaryDir dir;
    std::map<int, std::unique_ptr<unit::UnitModel>> units;

    StartupRig() {
        port.existing = {1, 2, 3, 4, 5};
        app.startup.configPath = path("LoaderDefault.ini");
        app.startup.setVersionLabel = [this](const std::string& text) { versionLabels.push_back(text); };
        app.startup.hideSplash = [this] { ++splashHides; };
    }

    std::string path(const std::string& name) const {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }
    std::string writeFile(const std::string& name, const std::string& bytes) const {
        const std::string p = path(name);
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    void config(const std::map<int, std::string>& lines) { writeFile("LoaderDefault.ini", positions(lines)); }
    // An automatic run of `script` with the unit expected on COM `com`.
    void automatic(const std::string& script, std::map<int, std::string> more = {}) {
        more[6] = "Script=" + writeFile("auto.sld", script);
        more[8] = "Mode=AUTOMATIC";
        config(more);
    }

    unit::UnitModel& unitOn(int n, unit::UnitConfig config = {}) {
        port.existing.insert(n);
        auto& unit = units[n] = std::make_unique<unit::UnitModel>(config);
        port.peers[n] = [&u = *unit](std::string_view bytes) { return u.receive(bytes); };
        return *unit;
    }

    // Runs the event loop until the process ends; false when it never does.
    bool pumpUntilEnded(int passes = 100) {
        try {
            for (int i = 0; i < passes; ++i) {
                clock.sleep(1);
                clock.processMessages();
            }
        } catch (const ProcessEnded&) {
            return true;
        }
        return false;
    }
};

} // namespace zarvex::test
