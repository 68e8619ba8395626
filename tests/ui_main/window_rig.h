#pragma once
// The main window as the loader's MainView, over virtual time, the in-process links, a
// scripted operator and the virtual unit's protocol model. The hooks are wired as the
// composition root wires them.

#include "engine/load_commands.h"
#include "engine/script_engine.h"
#include "link/link.h"
#include "support/fake_links.h"
#include "support/fake_views.h"
#include "support/recording_clock.h"
#include "ui/main_window.h"
#include "ui/terminal_widget.h"
#include "unit_model.h"
#include "upload/script_selection.h"
#include "upload/uploader.h"

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

namespace zarvex::test {

struct WindowRig {
    TRirovUzodAdiruvForm window; // first: the context refers to it
    LoaderState state;
    RecordingClock clock;
    FakeSerialPort port{clock};
    FakeClientSocket socket{clock};
    ScriptedOperator op;
    RecordingProgress progressDisplay;
    Progress progress{clock, progressDisplay};
    Context ctx{state, progress, clock, op, window, port, socket};
    Link link{ctx};
    Uploader uploader{ctx, link};
    LoadCommands loads{ctx, link, uploader};
    ScriptEngine engine{ctx, link, loads};
    ScriptSelection selection{ctx, link, engine, uploader};
    QTemporaryDir dir;
    std::filesystem::path startDir = std::filesystem::current_path();
    int closeQueries = 0;
    bool allowClose = false;

    WindowRig() {
        state.set_prompt(state.loaderPrompt);
        window.connectLogic({state, port, socket, link.keepAliveTimer(), op});
        window.hooks.pickScript = [this] { selection.PickButtonClick(); };
        window.hooks.sendFile = [this] { selection.SendFile1Click(); };
        window.hooks.upload = [this] { uploader.UploadButtonClick(); };
        window.hooks.stop = [this] { progress.CancelButtonClick(); };
        window.hooks.formCloseQuery = [this] {
            ++closeQueries;
            return allowClose;
        };
        selection.onRunningChanged = [this](bool on) { window.setStopVisible(on); };
    }
    ~WindowRig() { std::filesystem::current_path(startDir); }

    void openSerial(int n, Peer peer) { openWithPeer(port, n, std::move(peer)); }
    void connectEthernet(int tcpPort, Peer peer) { connectWithPeer(socket, clock, tcpPort, std::move(peer)); }
    std::string writeFile(const std::string& name, const std::string& bytes) const {
        const std::string p = dir.filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(p, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        return p;
    }
    unit::UnitModel unitModel(unit::UnitConfig config = {}) {
        return unit::UnitModel(std::move(config), [this] { return double(clock.nowMs()) / 1000.0; });
    }
    static Peer peerOf(unit::UnitModel& model) {
        return [&model](std::string_view bytes) { return model.receive(bytes); };
    }

    // A menu entry or submenu by its component name.
    QAction* item(const char* name) {
        if (auto* action = window.findChild<QAction*>(name))
            return action;
        auto* menu = window.findChild<QMenu*>(name);
        return menu ? menu->menuAction() : nullptr;
    }
    template <typename W> W* control(const char* name) { return window.findChild<W*>(name); }
    TAdTerminal& terminal() { return window.terminal(); }
    std::string terminalText() { return terminal().screenText().toStdString(); }
};

} // namespace zarvex::test
