#include "upload/script_selection.h"

#include "engine/script_engine.h"
#include "link/link.h"
#include "upload/image_facts.h"
#include "upload/uploader.h"

#include <filesystem>
#include <system_error>

namespace zarvex {

namespace fs = std::filesystem;

void clear_script_table(LoaderState& state) {
    state.clearScriptTable();
}

std::string get_current_dir() {
    std::error_code error;
    const fs::path dir = fs::current_path(error);
    return error ? std::string() : dir.string();
}

ScriptSelection::ScriptSelection(Context& ctx, Link& link, ScriptEngine& engine, Uploader& uploader)
    : ctx_(ctx), link_(link), engine_(engine), uploader_(uploader) {}

bool ScriptSelection::refuseWhileBusy() {
    // A second run inside the first would mix its bytes into the image under way.
    if (!running_ && ctx_.state.uploadFinished)
        return false;
    ctx_.op.showMessage(
        "Note: A script or file transfer is already running. Stop it or wait for its end first.");
    return true;
}

std::optional<std::string> ScriptSelection::chooseFile() {
    const std::string dir = get_current_dir();
    ctx_.view.setScriptDialogDir(dir);
    const std::optional<std::string> chosen = ctx_.op.chooseOpenFile(dir, kScriptDialogFilter);
    if (!chosen || chosen->empty())
        return std::nullopt;
    std::error_code error;
    const fs::path full = fs::absolute(*chosen, error);
    return error ? *chosen : full.lexically_normal().string();
}

void ScriptSelection::beginRun(const std::string& path) {
    // The chosen file's folder becomes the current directory: the next dialog starts
    // there and a script's relative image names are found beside it.
    std::error_code ignored;
    fs::current_path(fs::path(path).parent_path(), ignored);

    link_.keepAliveTimer().setEnabled(false);
    ctx_.state.keepAliveAllowed = false;
    ctx_.view.setBusyCursor(true);
    clear_script_table(ctx_.state);
    ctx_.state.scriptPath = path;
    ctx_.view.setScriptDialogDir("");
    ctx_.progress.cancelRequested = 0;
    setRunning(true);
}

void ScriptSelection::endRun() {
    setRunning(false);
    ctx_.view.setBusyCursor(false);
    link_.keepAliveTimer().setEnabled(true);
    ctx_.state.keepAliveAllowed = true;
}

void ScriptSelection::setRunning(bool on) {
    running_ = on;
    if (onRunningChanged)
        onRunningChanged(on);
}

void ScriptSelection::PickButtonClick() {
    if (refuseWhileBusy())
        return;
    const std::optional<std::string> path = chooseFile();
    if (!path)
        return;
    beginRun(*path);
    engine_.read_ini();
    ctx_.view.terminalFocus(); // a disabled or hidden terminal simply does not take it
    endRun();
}

void ScriptSelection::SendFile1Click() {
    if (refuseWhileBusy())
        return;
    const std::optional<std::string> path = chooseFile();
    if (!path)
        return;
    ImageRecord& image = ctx_.state.image;
    if (path->size() > image.fileName.maxLength) {
        ctx_.showError("Error! The file name " + *path + " is longer than " +
                       std::to_string(image.fileName.maxLength) + " characters. File not sent.");
        return;
    }
    beginRun(*path);
    image.fileName.assign(*path);
    ctx_.state.scriptUpload = false; // no load header before it, no prompt wait after it
    // Without its size and sum the transfer would go by the last image's size, so a file
    // that cannot be read is not sent; get_file_checksum has said why.
    if (get_file_checksum(ctx_) == 1)
        uploader_.UploadButtonClick();
    endRun();
}

} // namespace zarvex
