// The command dispatcher: takes the command word from the current row and carries the
// command out.

#include "engine/script_engine.h"

#include <cstring>

namespace zarvex {

ScriptEngine::ScriptEngine(Context& ctx, Link& link, LoadCommands& loads)
    : ctx_(ctx), link_(link), loads_(loads) {}

int ScriptEngine::execute_line() {
    LoaderState& s = ctx_.state;
    if (s.lineIndex < 0 || s.lineIndex >= LoaderState::kScriptRows)
        return refuseTooManyLines();
    char* row = s.row(s.lineIndex);
    if (row[0] != '_')
        return 1;
    if (s.columnIndex >= 0 && s.columnIndex < LoaderState::kScriptColumns)
        row[s.columnIndex] = '\0';
    const std::size_t length = ::strnlen(row, LoaderState::kScriptColumns);
    if (length > std::size_t(kWorkingLine - 1))
        return refuseLongLine();
    const std::string line(row, length);
    const std::string_view word = std::string_view(line).substr(0, 3);

    ctx_.pump();
    ctx_.clock.sleep(1);
    ctx_.pump();

    int goOn = 1;
    if (word == "_SC" || word == "_SR" || word == "_ST")
        goOn = sendCommand(word, line);
    else if (word == "_TC")
        goOn = testLoaderMode(line);
    else if (word == "_DY")
        delay(line);
    else if (word == "_LP")
        loads_.LP(line);
    else if (word == "_LC")
        loads_.LC(line);
    else if (word == "_LF")
        loads_.LF(line);
    else if (word == "_LA" && s.imageNamed)
        loads_.LA(line);
    else if (word == "_LV" && s.imageSummed)
        loads_.LV(line);
    else if (word == "_LD")
        goOn = loads_.LD();
    else if (word == "_PC")
        setLoaderPrompt(line);
    else if (word == "_QC")
        queryUnit(line);
    else if (word == "_AG" || word == "_AL" || word == "_IG" || word == "_IL")
        goOn = compareVersion(word, line);
    else if (word == "_CE" || word == "_CS" || word == "_CN")
        goOn = compareText(word, line);
    else if (word == "_FI")
        s.finishRequested = true;
    else if (word == "_DM")
        showDialogMessage(line);
    else if (word == "_DQ")
        askQuestion(line);
    else if (word == "_DO" || word == "_DC")
        goOn = runOnAnswer(word, line);
    else if (word == "_WP")
        waitForPrompt();
    else if (word == "_LT")
        setTerminalDuringUpload(line);
    // Any other word is an unrecognised command: nothing happens, the line counts.

    if (goOn == 0)
        return 0;
    ++s.lineIndex;
    s.columnIndex = 0;
    return 1;
}

int ScriptEngine::refuseTooManyLines() {
    ctx_.showError("Error! Script has more than " + std::to_string(LoaderState::kScriptRows) +
                   " command lines (line " + std::to_string(fileLine_) + "). Exiting script");
    return 0;
}

int ScriptEngine::refuseLongLine() {
    ctx_.showError("Error! Script line " + std::to_string(fileLine_) + " is longer than " +
                   std::to_string(kWorkingLine - 1) + " characters. Exiting script");
    return 0;
}

int ScriptEngine::runNested(std::string_view nested, const char* missingMessage) {
    if (nested.empty()) {
        ctx_.op.showMessage(missingMessage);
        return 1;
    }
    LoaderState& s = ctx_.state;
    char* row = s.row(s.lineIndex);
    const std::size_t n = std::min(nested.size(), std::size_t(LoaderState::kScriptColumns - 1));
    std::memcpy(row, nested.data(), n);
    row[n] = '\0';
    return execute_line();
}

} // namespace zarvex
