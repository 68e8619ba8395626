#include "app/config_reader.h"

#include "engine/arguments.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

namespace zarvex {

namespace {

// Leading blanks are spaces only; a tab belongs to the value.
std::string_view skipBlanks(std::string_view text) {
    const auto start = text.find_first_not_of(' ');
    return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

// Position 8: small letters raised, blanks dropped wherever they stand.
std::string runModeText(std::string_view value) {
    std::string out;
    for (char c : value)
        if (c != ' ')
            out.push_back(c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c);
    return out;
}

// One "%d" of formatted input at `pos`: white space, a sign, digits. nullopt without a
// digit or when the number does not fit a long (no value that large is acceptable).
std::optional<long> scanNumber(std::string_view text, std::size_t& pos) {
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos])))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    if (pos >= text.size() || !std::isdigit(static_cast<unsigned char>(text[pos])))
        return std::nullopt;
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data() + pos, text.data() + text.size(), value);
    if (ec != std::errc())
        return std::nullopt;
    pos = std::size_t(end - text.data());
    return negative ? -value : value;
}

// The text a work-area position copies, and that area's size; nullopt for the
// positions that are read in place.
struct WorkText {
    std::string text;
    std::size_t limit;
};
std::optional<WorkText> workText(int position, std::string_view value) {
    switch (position) {
    case 2:
    case 3:
    case 4:
    case 5:
    case 24:
    case 25:
    case 26:
    case 27:
        return WorkText{std::string(skipBlanks(value)), kConfigWorkArea};
    case 8:
        return WorkText{runModeText(value), kConfigWorkArea};
    case 19:
        return WorkText{std::string(skipBlanks(value)), kLoaderCommandWorkArea};
    case 6:
        return WorkText{std::string(skipBlanks(value)), decltype(LoaderState::autoScriptPath)::maxLength};
    default:
        return std::nullopt;
    }
}

class Reading {
public:
    explicit Reading(ConfigTargets& t) : t_(t) {}

    void apply(const ConfigLine& line) {
        if (line.tooLong) {
            note("line " + std::to_string(line.lineNumber) + " of LoaderDefault.ini is longer than " +
                 std::to_string(kConfigLineLimit) + " characters; setting " + std::to_string(line.position) +
                 " was ignored.");
            return;
        }
        const auto value = line.value();
        if (!value)
            return;
        if (const auto work = workText(line.position, *value); work && work->text.size() > work->limit) {
            note("setting " + std::to_string(line.position) + " in line " + std::to_string(line.lineNumber) +
                 " of LoaderDefault.ini is longer than " + std::to_string(work->limit) +
                 " characters and was ignored.");
            return;
        }
        applyValue(line.position, *value);
    }

    // The prompts take effect once the whole file has been read.
    void finish() {
        if (normalPrompt_)
            t_.state.normalPrompt = *normalPrompt_;
        if (loaderPrompt_)
            t_.state.loaderPrompt = *loaderPrompt_;
    }

private:
    void applyValue(int position, std::string_view value) {
        switch (position) {
        case 1:
            return setComPort(value);
        case 2:
            return setBaud(value);
        case 3:
        case 4:
        case 5:
            return setLineSetting(position, readDecimal(value));
        case 6:
            t_.state.autoScriptPath.assign(skipBlanks(value));
            return;
        case 7:
            return t_.view.setScriptDialogDir(std::string(skipBlanks(value)));
        case 8:
            t_.state.automaticMode = t_.state.automaticMode || runModeText(value) == "AUTOMATIC";
            return;
        case 14:
            return keepPrompt(normalPrompt_, value);
        case 15:
            return keepPrompt(loaderPrompt_, value);
        case 19:
            return setLoaderCommand(skipBlanks(value));
        case 20:
        case 21:
        case 22:
            return setTerminalLook(position, readDecimal(skipBlanks(value)));
        case 24:
            return setLoadWord(skipBlanks(value));
        case 25:
            t_.state.skipPortSearch = t_.state.skipPortSearch || skipBlanks(value) == "TRUE";
            return;
        case 26:
            return setEthernetAddress(skipBlanks(value));
        case 27:
            return setEthernetPort(skipBlanks(value));
        default:
            return; // 9-13, 16-18, 23 (the brand reader's), 28, 29 carry nothing here
        }
    }

    // From the first digit 1-9 on; "COM05" gives 5, "0" and "COM" give nothing.
    void setComPort(std::string_view value) {
        const auto start = value.find_first_of("123456789");
        if (start == std::string_view::npos)
            return;
        int port = 0;
        const auto [end, ec] = std::from_chars(value.data() + start, value.data() + value.size(), port);
        if (ec == std::errc())
            t_.state.configuredComPort = port;
    }

    void setBaud(std::string_view value) {
        const long baud = readDecimal(value);
        if (std::find(kConfigBaudRates.begin(), kConfigBaudRates.end(), baud) == kConfigBaudRates.end()) {
            t_.op.showMessage(kInvalidBaudMessage);
            return;
        }
        t_.port.setBaud(int(baud));
        t_.view.setComBaudLabel(std::to_string(t_.port.baud()));
    }

    void setLineSetting(int position, long n) {
        if (position == 3 && n >= 5 && n <= 8)
            t_.port.setDataBits(int(n));
        else if (position == 4 && n >= 0 && n <= 4)
            t_.port.setParity(int(n));
        else if (position == 5 && (n == 1 || n == 2))
            t_.port.setStopBits(int(n));
    }

    // An empty value would make the prompt a NUL that no unit sends; it keeps the default.
    static void keepPrompt(std::optional<char>& prompt, std::string_view value) {
        const std::string_view text = skipBlanks(value);
        if (!text.empty())
            prompt = text[0];
    }

    void setLoaderCommand(std::string_view text) {
        if (!text.empty())
            t_.state.loaderEntryCommand = std::string(text) + "\r\n";
    }

    void setLoadWord(std::string_view text) {
        if (!text.empty())
            t_.state.loadCommandWord = std::string(text);
    }

    void setTerminalLook(int position, long item) {
        if (position == 20) {
            // The terminal is shown when start-up reads the file, so only 0 flips it.
            if (item == 0)
                t_.view.toggleTerminalVisible();
            return;
        }
        if (item < 0 || item > 5)
            return;
        if (position == 21)
            t_.view.setTerminalBackground(int(item));
        else
            t_.view.setTerminalTextColor(int(item));
    }

    // "%d.%d.%d.%d": all four numbers converted, each 0 to 255; what follows is ignored.
    void setEthernetAddress(std::string_view text) {
        if (text.empty())
            return;
        std::array<long, 4> parts{};
        std::size_t pos = 0;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (i > 0 && (pos >= text.size() || text[pos++] != '.'))
                return;
            const auto n = scanNumber(text, pos);
            if (!n || *n < 0 || *n > 255)
                return;
            parts[i] = *n;
        }
        for (std::size_t i = 0; i < parts.size(); ++i)
            t_.ethernet.setAddressBox(int(i), std::to_string(parts[i]));
    }

    void setEthernetPort(std::string_view text) {
        std::size_t pos = 0;
        const auto n = scanNumber(text, pos);
        if (n && *n >= 0 && *n <= 65535)
            t_.ethernet.setPortBox(std::to_string(*n));
    }

    void note(const std::string& text) { t_.op.showMessage("Note: " + text); }

    ConfigTargets& t_;
    std::optional<char> normalPrompt_;
    std::optional<char> loaderPrompt_;
};

} // namespace

void read_loader_defaults(ConfigTargets& targets, const std::string& path) {
    Reading reading(targets);
    if (scanConfigFile(path, [&](const ConfigLine& line) { reading.apply(line); }))
        reading.finish();
}

} // namespace zarvex
