#include "app/startup.h"

#include "app/config_reader.h"

namespace zarvex {

Startup::Startup(Context& ctx, PortDiscovery& discovery, ScriptEngine& engine, EthernetDialogView& ethernet)
    : ctx_(ctx), discovery_(discovery), engine_(engine), ethernet_(ethernet),
      justUploadTimer_(ctx.clock.createTimer(kJustUploadMs, false)) {
    justUploadTimer_->onTimer = [this] { JustUploadTimerTimer(); };
}

void Startup::FormShow() {
    if (shown_)
        return;
    shown_ = true;
    LoaderState& s = ctx_.state;
    if (setVersionLabel)
        setVersionLabel(kVersionText);
    ConfigTargets targets{s, ctx_.port, ctx_.view, ethernet_, ctx_.op};
    read_loader_defaults(targets, configPath);
    s.set_prompt(s.loaderPrompt);
    if (s.skipPortSearch)
        ctx_.disable_btns(); // no port is opened, the lights stay as they are
    else
        findUnitOnSerialPort();
    if (hideSplash)
        hideSplash();
    if (s.automaticMode)
        automaticRun();
    else
        ctx_.view.terminalFocus();
}

// The configured port first; then the search of ports 1 to 14, which tries it again.
void Startup::findUnitOnSerialPort() {
    LoaderState& s = ctx_.state;
    MainView& view = ctx_.view;
    bool found = s.configuredComPort != 0 && discovery_.check_com(s.configuredComPort) > 0;
    if (!found)
        found = discovery_.process_com() > 0;
    if (!found && !s.automaticMode)
        discovery_.open_configured_com();
    else
        view.setComCheckBoxEnabled(false);
    view.setLightsMonitoring(ctx_.port.isOpen() && view.comNumberLabel() != "None");
}

void Startup::automaticRun() {
    LoaderState& s = ctx_.state;
    // Whatever port the search left open counts: the script's own commands then tell
    // whether a unit answers on it.
    if (!ctx_.port.isOpen()) {
        ctx_.op.showMessage(kNoPortMessage);
        justUploadTimer_->setEnabled(true);
        return;
    }
    ctx_.show_status(kUploadingStatus);
    ctx_.pump();
    ctx_.view.setWindowEnabled(false);
    s.scriptPath = s.autoScriptPath.str();
    engine_.read_ini(); // the script reports its own failures
    ctx_.view.setWindowEnabled(true);
    ctx_.show_status(" ");
    ctx_.pump();
    justUploadTimer_->setEnabled(true);
}

void Startup::JustUploadTimerTimer() {
    justUploadTimer_->setEnabled(false);
    ctx_.view.hideWindow();
    end();
}

bool Startup::FormCloseQuery() {
    LoaderState& s = ctx_.state;
    if (s.uploadFinished)
        s.waitingForReply = false;
    else if (!ctx_.op.askYesNo(kConfirmExitTitle, kConfirmExitText))
        return false; // No: the upload goes on
    if (!s.automaticMode)
        ctx_.view.hideWindow();
    end();
    return true;
}

// The exit status is 0 whatever happened: failures have been reported to the operator.
void Startup::end() {
    if (endProcess)
        endProcess(0);
}

} // namespace zarvex
