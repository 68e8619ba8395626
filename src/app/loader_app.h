#pragma once
// The composition root: owns every logic part of the loader and wires them to each
// other, to the platform objects and to the views. The windowed and the headless run
// build it the same way and differ only in the views and the operator they hand in.

#include "app/startup.h"
#include "engine/context.h"
#include "engine/load_commands.h"
#include "engine/script_engine.h"
#include "link/ethernet_link.h"
#include "link/link.h"
#include "link/port_discovery.h"
#include "upload/progress.h"
#include "upload/script_selection.h"
#include "upload/uploader.h"

#include <functional>

namespace zarvex {

struct PlatformParts {
    Clock& clock;
    SerialPort& port;
    ClientSocket& socket;
    Operator& op;
};

struct ViewParts {
    MainView& main;
    ProgressDisplay& progress;
    EthernetDialogView& ethernet;
    InfoView& info;
};

class LoaderApp {
public:
    // Ends the process with the given status; in a real run it does not return.
    using ExitProcess = std::function<void(int status)>;

    LoaderApp(const PlatformParts& platform, const ViewParts& views, ExitProcess exitProcess);
    LoaderApp(const LoaderApp&) = delete;
    LoaderApp& operator=(const LoaderApp&) = delete;

    // Closes both links, so that the serial port's lock goes with the process, and ends it.
    void endProcess(int status);

    LoaderState state;
    Progress progress;
    Context ctx;
    Link link;
    EthernetLink ethernet;
    Uploader uploader;
    LoadCommands loads;
    ScriptEngine engine;
    ScriptSelection selection;
    PortDiscovery discovery;
    Startup startup;

private:
    ExitProcess exitProcess_;
};

} // namespace zarvex
