#pragma once
// The program's life cycle: the start-up sequence that runs when the main window is
// first shown (FormShow), the automatic run with its end through JustUploadTimer, and
// the close request with its confirmation while an upload transfer runs.

#include "app/config_lines.h"
#include "engine/context.h"
#include "engine/script_engine.h"
#include "link/port_discovery.h"

#include <functional>
#include <memory>
#include <string>

namespace zarvex {

class Startup {
public:
    static constexpr const char* kVersionText = "Version : 2.06";
    static constexpr const char* kNoPortMessage = "Error!! COM port communication failed. Please check RS232 "
                                                  "connection/INI settings. Exiting application";
    static constexpr const char* kUploadingStatus = "Uploading file(s). Please wait....";
    static constexpr const char* kConfirmExitTitle = "Loader GUI : Confirm Exit";
    static constexpr const char* kConfirmExitText =
        "File upload in progress.\rAre you sure you want to cancel upload and exit the application?";
    static constexpr int kJustUploadMs = 1;

    Startup(Context& ctx, PortDiscovery& discovery, ScriptEngine& engine, EthernetDialogView& ethernet);

    // The start-up sequence; runs once, whatever shows the main window again.
    void FormShow();
    // True lets the window close, and then the process has been ended.
    bool FormCloseQuery();
    void JustUploadTimerTimer();
    Timer& justUploadTimer() { return *justUploadTimer_; }

    // Filled in by the composition root and the windows; each may stay empty except
    // endProcess, which in a real run does not return.
    std::function<void(const std::string&)> setVersionLabel;
    std::function<void()> hideSplash;
    std::function<void(int status)> endProcess;
    std::string configPath = kLoaderDefaultsFile;

private:
    void findUnitOnSerialPort();
    void automaticRun();
    void end();

    Context& ctx_;
    PortDiscovery& discovery_;
    ScriptEngine& engine_;
    EthernetDialogView& ethernet_;
    std::unique_ptr<Timer> justUploadTimer_;
    bool shown_ = false;
};

} // namespace zarvex
