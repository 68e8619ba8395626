#include "app/config_lines.h"

#include <fstream>

namespace zarvex {

namespace {

constexpr char kEndOfFileMark = 26; // Ctrl-Z ends a text file

// Collects one line without ever holding more than the limit.
class LineCollector {
public:
    void add(char c) {
        if (text_.size() < kConfigLineLimit)
            text_.push_back(c);
        else
            overflow_ = true;
    }
    bool empty() const { return text_.empty(); }
    bool significant() const { return !text_.empty() && text_[0] != ';' && text_[0] != '['; }
    ConfigLine take(int position, int lineNumber) const {
        return ConfigLine{position, lineNumber, overflow_ ? std::string() : text_, overflow_};
    }
    void reset() {
        text_.clear();
        overflow_ = false;
    }

private:
    std::string text_;
    bool overflow_ = false;
};

} // namespace

std::optional<std::string_view> ConfigLine::value() const {
    if (tooLong)
        return std::nullopt;
    const auto eq = text.find('=');
    if (eq == std::string::npos)
        return std::nullopt;
    return std::string_view(text).substr(eq + 1);
}

bool scanConfigFile(const std::string& path, const std::function<void(const ConfigLine&)>& onLine) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    LineCollector line;
    int position = 1;
    int lineNumber = 1;
    const auto completeLine = [&] {
        if (line.significant())
            onLine(line.take(position++, lineNumber));
        line.reset();
        ++lineNumber;
    };
    char c = 0;
    while (position <= kConfigPositions) {
        if (!file.get(c) || c == kEndOfFileMark) {
            if (!line.empty())
                completeLine();
            break;
        }
        if (c == '\n')
            completeLine();
        else if (c != '\r')
            line.add(c);
    }
    return true;
}

std::optional<std::string> configValue(int position, const std::string& path) {
    std::optional<std::string> found;
    scanConfigFile(path, [&](const ConfigLine& line) {
        if (line.position == position)
            if (const auto value = line.value())
                found = std::string(*value);
    });
    return found;
}

} // namespace zarvex
