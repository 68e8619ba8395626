#pragma once
// Runs a script while it is read: the reader assembles each command line in the script
// line table and hands it to the dispatcher as soon as its line end is read; the
// dispatcher matches the three-letter command word and carries the command out.

#include "engine/context.h"
#include "engine/load_commands.h"
#include "link/link.h"

#include <functional>
#include <string>
#include <string_view>

namespace zarvex {

// Steps of the reconnect that `_ST` takes after sending its text; wired by start-up to
// the serial selection and the Ethernet link.
struct ReconnectSteps {
    std::function<void()> closeSerial;        // as the "None" port choice
    std::function<void(int port)> openSerial; // as choosing the COM menu entry
    std::function<void()> closeEthernet;      // as the "Disconnect" menu command
    std::function<void()> showEthernetDialog; // shown without waiting for it
};

class ScriptEngine {
public:
    // Working line of the dispatcher: 199 characters and the terminator.
    static constexpr int kWorkingLine = 200;

    ScriptEngine(Context& ctx, Link& link, LoadCommands& loads);

    // Runs the script named by scriptPath; 1 when it ran to its end, to _FI or to a
    // cancel, 0 when it could not be opened or a command stopped it.
    int read_ini();
    // Executes row lineIndex of the script line table; 1 go on, 0 stop.
    int execute_line();

    ReconnectSteps reconnect;

private:
    // Command families; each returns 1 to go on and 0 to stop the script.
    int sendCommand(std::string_view word, std::string_view line);    // _SC, _SR, _ST
    int testLoaderMode(std::string_view line);                        // _TC
    void setLoaderPrompt(std::string_view line);                      // _PC
    void queryUnit(std::string_view line);                            // _QC
    int compareVersion(std::string_view word, std::string_view line); // _AG _AL _IG _IL
    int compareText(std::string_view word, std::string_view line);    // _CE _CS _CN
    void showDialogMessage(std::string_view line);                    // _DM
    void askQuestion(std::string_view line);                          // _DQ
    int runOnAnswer(std::string_view word, std::string_view line);    // _DO _DC
    void delay(std::string_view line);                                // _DY
    void waitForPrompt();                                             // _WP
    void setTerminalDuringUpload(std::string_view line);              // _LT
    int reconnectLink();

    // The table's bounds: each shows its message naming the script line and returns 0.
    int refuseTooManyLines();
    int refuseLongLine();

    // Copies a nested command over the current row and runs it; 1 when the line is done.
    int runNested(std::string_view nested, const char* missingMessage);

    Context& ctx_;
    Link& link_;
    LoadCommands& loads_;
    int fileLine_ = 0; // line of the script file being read, for messages
};

} // namespace zarvex
