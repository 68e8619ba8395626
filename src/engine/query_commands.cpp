// _QC asks the unit and keeps its reply; the version compares and text conditionals act
// on that reply; _PC changes the loader prompt.

#include "engine/arguments.h"
#include "engine/script_engine.h"

#include <algorithm>

namespace zarvex {

void ScriptEngine::setLoaderPrompt(std::string_view line) {
    const auto quote = line.find('"');
    // Nothing after the quote would make the prompt NUL: such a _PC is ignored.
    if (quote == std::string_view::npos || quote + 1 >= line.size())
        return;
    ctx_.state.loaderPrompt = line[quote + 1];
}

void ScriptEngine::queryUnit(std::string_view line) {
    ctx_.clock.sleep(1);
    const auto text = formQ(line);
    if (!text)
        return;
    LoaderState& s = ctx_.state;
    s.commandText.assign(replaceEscape(*text, "^M", ' '));
    s.minReplyLength = s.commandText.view().starts_with("VER") ? 3 : 10;
    link_.query_unit(2000);
    ctx_.clock.sleep(100);
    ctx_.pump();

    std::string reply = s.replyBuffer.str();
    std::erase(reply, '\r');
    std::erase(reply, '\n');
    // A reply of a full buffer is one character more than lastReply holds.
    s.lastReply.assign(std::string_view(reply).substr(0, decltype(s.lastReply)::maxLength));
    if (s.lastReply.empty())
        ctx_.op.showMessage("Error! No response detected with _QC command");
}

int ScriptEngine::compareVersion(std::string_view word, std::string_view line) {
    const auto form = formC(line);
    if (!form)
        return 1;
    LoaderState& s = ctx_.state;
    s.commandText.assign(replaceEscape(form->argument, "\\r", '\r'));
    const auto version = readVersion(s.lastReply.view());
    if (!version) {
        ctx_.op.showMessage("Prev _QC does not have version info.");
        return 1;
    }
    const long n = readDecimal(s.commandText.view());
    const bool holds = word == "_AG"   ? version->major >= n
                       : word == "_AL" ? version->major < n
                       : word == "_IG" ? version->minor >= n
                                       : version->minor < n;
    return holds ? runNested(form->nested, "Error! No line found after successful _CS/_CN") : 1;
}

int ScriptEngine::compareText(std::string_view word, std::string_view line) {
    const auto form = formC(line);
    if (!form)
        return 1;
    LoaderState& s = ctx_.state;
    s.commandText.assign(replaceEscape(replaceEscape(form->argument, "\\r", '\r'), "\\n", '\n'));
    const std::string_view text = s.commandText.view();
    const std::string_view reply = s.lastReply.view();
    const bool contains = reply.find(text) != std::string_view::npos;
    const bool holds = word == "_CE" ? reply == text : word == "_CS" ? contains : !contains;
    if (!holds)
        return 1;
    return runNested(form->nested, word == "_CE" ? "Error! No line found after successful _CE"
                                                 : "Error! No line found after successful _CS/_CN");
}

} // namespace zarvex
