// The script reader: reads the file a character at a time and executes each command
// line as soon as its line end has been read.

#include "engine/script_engine.h"

#include <fstream>

namespace zarvex {

namespace {

// Reads a file as text: a CR LF pair reads as one LF.
class TextReader {
public:
    explicit TextReader(const std::string& path) : in_(path, std::ios::binary) {}
    bool isOpen() const { return in_.is_open(); }
    bool atEnd() { return in_.peek() == std::char_traits<char>::eof(); }
    char next() {
        char c = char(in_.get());
        if (c == '\r' && in_.peek() == '\n')
            c = char(in_.get());
        return c;
    }

private:
    std::ifstream in_;
};

} // namespace

int ScriptEngine::read_ini() {
    LoaderState& s = ctx_.state;
    ctx_.disable_btns();
    s.finishRequested = false;
    ctx_.show_status("Reading script file. Please wait....");
    ctx_.pump();

    TextReader file(s.scriptPath);
    auto stop = [&] {
        ctx_.show_status(" ");
        ctx_.enable_btns();
        return 0;
    };
    if (!file.isOpen()) {
        ctx_.showError("Error opening file " + s.scriptPath + " for read.");
        return stop();
    }
    const bool ethernetAtStart = ctx_.socket.active();
    // Runs the assembled command line; false when the run must stop.
    auto executeCommandLine = [&] {
        if (execute_line() == 0)
            return false;
        if (ethernetAtStart && !ctx_.socket.active()) {
            ctx_.op.showMessage("Exiting script");
            return false;
        }
        return true;
    };

    bool lineStart = true;
    bool inCommand = false;
    fileLine_ = 1;
    while (!file.atEnd() && ctx_.progress.cancelRequested == 0) {
        const char c = file.next();
        if (c == '\n') {
            lineStart = true;
            if (inCommand) {
                inCommand = false;
                if (!executeCommandLine())
                    return stop();
                ctx_.pump();
                if (s.finishRequested)
                    break;
            }
            ++fileLine_;
            continue;
        }
        if (lineStart && c == '_') {
            inCommand = true;
            lineStart = false;
            if (s.lineIndex < 0 || s.lineIndex >= LoaderState::kScriptRows) {
                refuseTooManyLines();
                return stop();
            }
        } else if (lineStart && c == ';') {
            lineStart = false;
        }
        if (inCommand) {
            // The dispatcher's working line holds 199 characters; refuse a longer line
            // here rather than write past the table.
            if (s.columnIndex < 0 || s.columnIndex >= kWorkingLine - 1) {
                refuseLongLine();
                return stop();
            }
            s.row(s.lineIndex)[s.columnIndex++] = c;
        }
    }
    if (inCommand && file.atEnd() && !s.finishRequested && ctx_.progress.cancelRequested == 0) {
        // The last command line had no line end.
        if (!executeCommandLine())
            return stop();
    }
    ctx_.show_status(" ");
    ctx_.show_status(ctx_.progress.cancelRequested ? "Script file reading terminated by user/error(s)."
                                                   : "SUCCESS. Reading script file complete");
    ctx_.enable_btns();
    return 1;
}

} // namespace zarvex
