// Operator dialogs (_DM, _DQ and the answer-driven _DO/_DC), waits (_DY, _WP) and the
// terminal switch for uploads (_LT).

#include "engine/arguments.h"
#include "engine/script_engine.h"

#include <algorithm>

namespace zarvex {

namespace {
// A delay never blocks for more than an hour, whatever number a script gives.
constexpr long kMaxDelaySleeps = 3600L * 1000;
} // namespace

void ScriptEngine::showDialogMessage(std::string_view line) {
    const auto text = formQ(line);
    if (!text)
        return;
    LoaderState& s = ctx_.state;
    s.dialogText.assign(replaceEscape(*text, "^M", '\r'));
    ctx_.op.showMessage(s.dialogText.str());
}

void ScriptEngine::askQuestion(std::string_view line) {
    const auto text = formQ(line);
    if (!text)
        return;
    LoaderState& s = ctx_.state;
    s.questionAsked = true;
    s.commandText.assign(replaceEscape(*text, "^M", '\r'));
    s.questionConfirmed = ctx_.op.askOkCancel("Zarvex - Query", s.commandText.str());
}

int ScriptEngine::runOnAnswer(std::string_view word, std::string_view line) {
    const LoaderState& s = ctx_.state;
    const bool wanted = word == "_DO" ? s.questionConfirmed : !s.questionConfirmed;
    if (!s.questionAsked || !wanted)
        return 1;
    const auto nested = formP(line);
    if (!nested)
        return 1;
    return runNested(*nested, word == "_DO" ? "Error! No line found after successful _DO"
                                            : "Error! No line found after successful _DC");
}

void ScriptEngine::delay(std::string_view line) {
    ctx_.pump();
    const long n = readDecimal(formP(line).value_or(std::string()));
    const double count = double(n) * 8.8 * 0.5;
    const long sleeps = count <= 0 ? 0 : long(std::min(count, double(kMaxDelaySleeps)));
    // The window does not respond during the delay: no pumps between the sleeps.
    for (long i = 0; i < sleeps; ++i)
        ctx_.clock.sleep(1);
    ctx_.clock.sleep(1);
    ctx_.pump();
}

void ScriptEngine::waitForPrompt() {
    LoaderState& s = ctx_.state;
    if (link_.SendCOMCmd_GetPrompt("\r"))
        return;
    // Without a unit no prompt ever comes: the operator's Stop ends the wait.
    while (ctx_.progress.cancelRequested == 0) {
        s.set_prompt(s.normalPrompt);
        if (link_.SendCOMCmd_GetPrompt("\r"))
            return;
        s.set_prompt(s.loaderPrompt);
        if (link_.SendCOMCmd_GetPrompt("\r"))
            return;
        ctx_.pump();
        ctx_.clock.sleep(1);
    }
}

void ScriptEngine::setTerminalDuringUpload(std::string_view line) {
    const auto rest = formP(line);
    if (!rest)
        return;
    ctx_.state.terminalDuringUpload = rest->empty() ? '\0' : (*rest)[0];
}

} // namespace zarvex
