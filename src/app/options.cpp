#include "app/options.h"

namespace zarvex {

const char* const kUsageText = R"(Usage: zarvex [options]

Zarvex loads firmware images into a unit over a serial line or TCP. It reads
LoaderDefault.ini in the current directory at start; in automatic mode it runs the
script named there at once and ends when the script has ended.

Options:
  --headless            no window, even where a display is available
  --answer ok|cancel    how a headless run answers the questions of a script:
                        OK/Cancel questions get the given answer (Cancel when the
                        option is not given); Yes/No questions are answered Yes
                        only with --answer ok
  --help                show this text and end

Without a display, or with --headless, Zarvex shows no window: message texts, status
texts and questions go to stderr, what the unit sends goes to stdout. Ctrl-C asks a
running script to stop; a second Ctrl-C ends the program at once.

Serial ports are COM1 to COM16: COM1-4 are /dev/ttyS0-3, COM5-10 /dev/ttyUSB0-5 and
COM11-16 /dev/ttyACM0-5. ZARVEX_COM<n>=DEVICE puts COM n on another device, and an
empty value takes COM n away. The exit status is 0 after every run; a command line
that is not understood ends with status 2.
)";

namespace {

std::string answerError(const std::string& value) {
    return "--answer takes ok or cancel, not '" + value + "'";
}

} // namespace

ParsedOptions parseOptions(const std::vector<std::string>& args) {
    ParsedOptions parsed;
    RunOptions& o = parsed.options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--headless") {
            o.headless = true;
        } else if (arg == "--answer" || arg.rfind("--answer=", 0) == 0) {
            std::string value;
            if (arg != "--answer")
                value = arg.substr(9);
            else if (i + 1 < args.size())
                value = args[++i];
            else
                return {o, "--answer needs a value: ok or cancel"};
            if (value != "ok" && value != "cancel")
                return {o, answerError(value)};
            o.answerOk = value == "ok";
        } else {
            return {o, "unknown option '" + arg + "'"};
        }
    }
    return parsed;
}

} // namespace zarvex
