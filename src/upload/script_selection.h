#pragma once
// The operator's two ways to start work: PickButtonClick chooses a script and runs it,
// SendFile1Click chooses any file and uploads it as it is (no load header, no prompt
// wait afterwards). Both pause the Ethernet keep-alive while they run, start from an
// empty script line table and a cleared stop flag, and show the hourglass meanwhile.
// Choosing a file makes its folder the current directory, as the open dialog does.

#include "engine/context.h"

#include <functional>
#include <optional>
#include <string>

namespace zarvex {

class Link;
class ScriptEngine;
class Uploader;

inline constexpr const char* kScriptDialogFilter = "Script files (*.sld)|*.sld|All files (*.*)|*.*";

// Empties all rows of the script line table and sets lineIndex and columnIndex to 0.
void clear_script_table(LoaderState& state);
// The process's current directory as an absolute path; empty if it cannot be read.
std::string get_current_dir();

class ScriptSelection {
public:
    ScriptSelection(Context& ctx, Link& link, ScriptEngine& engine, Uploader& uploader);

    void PickButtonClick();
    void SendFile1Click();

    bool running() const { return running_; }
    // True when a run starts, false when it ends: the window shows its Stop action meanwhile.
    std::function<void(bool running)> onRunningChanged;

private:
    // Steps 1 and 2 of both: the dialog from the current directory. The chosen name as an
    // absolute path, or nullopt when the operator cancelled (nothing has changed then).
    std::optional<std::string> chooseFile();
    // True (with a message) while another run or an upload is under way.
    bool refuseWhileBusy();
    // Steps 3 to 8: keep-alive off, hourglass, empty table, scriptPath, stop flag cleared.
    void beginRun(const std::string& path);
    // The last step: arrow cursor, keep-alive on again.
    void endRun();
    void setRunning(bool on);

    Context& ctx_;
    Link& link_;
    ScriptEngine& engine_;
    Uploader& uploader_;
    bool running_ = false;
};

} // namespace zarvex
