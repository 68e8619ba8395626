#pragma once
// The line rules of LoaderDefault.ini, shared by the start-up reader and the brand
// reader. The file is positional: the n-th significant line carries setting n, and the
// text before its '=' is a label for people only. Empty lines, comments (';' in the
// first column) and section headers ('[' in the first column) take no position; a line
// that begins with a blank does.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zarvex {

inline constexpr const char* kLoaderDefaultsFile = "LoaderDefault.ini";
inline constexpr int kConfigPositions = 29;
// The longest line the reader takes. A longer line keeps its position, so that later
// settings do not shift, but its value is refused as a whole.
inline constexpr std::size_t kConfigLineLimit = 299;

struct ConfigLine {
    int position = 0;   // 1 to kConfigPositions
    int lineNumber = 0; // in the file, from 1, for messages
    std::string text;   // the line without its end; empty when tooLong
    bool tooLong = false;

    // Everything after the first '='; nullopt for a line without one (or a refused line).
    std::optional<std::string_view> value() const;
};

// Reads `path` as text (CR dropped, Ctrl-Z ends the file) and hands each significant
// line to `onLine` as it completes, up to the 29th. False when the file cannot be opened.
bool scanConfigFile(const std::string& path, const std::function<void(const ConfigLine&)>& onLine);

// The value of position n of the file, as read under the same rules; nullopt when the
// file cannot be opened, has no position n, or that line has no '=' or is too long.
std::optional<std::string> configValue(int position, const std::string& path = kLoaderDefaultsFile);

} // namespace zarvex
