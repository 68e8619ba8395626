#pragma once
// The command line of the zarvex program. The loader itself takes its settings from
// LoaderDefault.ini; the options only choose how a run meets the operator.

#include <optional>
#include <string>
#include <vector>

namespace zarvex {

struct RunOptions {
    bool headless = false;
    std::optional<bool> answerOk; // --answer ok|cancel; nullopt when not given
    bool help = false;
};

struct ParsedOptions {
    RunOptions options;
    std::string error; // empty when the command line was understood
};

// `args` without the program name.
ParsedOptions parseOptions(const std::vector<std::string>& args);

extern const char* const kUsageText;

} // namespace zarvex
