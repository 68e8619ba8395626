#include "engine/arguments.h"

#include <cctype>
#include <climits>

namespace zarvex {

std::optional<std::string> formQ(std::string_view line) {
    const auto quote = line.find('"');
    if (quote == std::string_view::npos)
        return std::nullopt;
    // The text runs to the line's last character, which is dropped. A quote that is
    // itself the last character leaves no text at all.
    if (quote + 1 >= line.size())
        return std::string();
    return std::string(line.substr(quote + 1, line.size() - 1 - (quote + 1)));
}

std::optional<FormC> formC(std::string_view line) {
    const auto open = line.find('"');
    if (open == std::string_view::npos)
        return std::nullopt;
    const auto close = line.find('"', open + 1);
    if (close == std::string_view::npos) // never closed: the argument ends with the line
        return FormC{std::string(line.substr(open + 1)), std::string()};
    FormC form{std::string(line.substr(open + 1, close - open - 1)), std::string()};
    const auto nested = line.find_first_not_of(' ', close + 1);
    if (nested != std::string_view::npos)
        form.nested = std::string(line.substr(nested));
    return form;
}

std::optional<std::string> formP(std::string_view line) {
    const auto blank = line.find(' ');
    if (blank == std::string_view::npos)
        return std::nullopt;
    const auto start = line.find_first_not_of(' ', blank);
    return start == std::string_view::npos ? std::string() : std::string(line.substr(start));
}

std::string replaceEscape(std::string text, std::string_view escape, char replacement) {
    for (auto at = text.find(escape); at != std::string::npos; at = text.find(escape, at + 1))
        text.replace(at, escape.size(), 1, replacement);
    return text;
}

namespace {

// One "%d" conversion at `pos`; advances pos past it. nullopt when no digit follows.
std::optional<long> scanInt(std::string_view text, std::size_t& pos) {
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos])))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    const std::size_t digits = pos;
    long value = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
        // Saturates instead of overflowing on absurdly long numbers.
        value = value > (LONG_MAX - 9) / 10 ? LONG_MAX : value * 10 + (text[pos] - '0');
        ++pos;
    }
    if (pos == digits)
        return std::nullopt;
    return negative ? -value : value;
}

} // namespace

long readDecimal(std::string_view text) {
    std::size_t pos = 0;
    return scanInt(text, pos).value_or(0);
}

std::optional<Version> readVersion(std::string_view text) {
    std::size_t pos = 0;
    const auto major = scanInt(text, pos);
    if (!major || pos >= text.size() || text[pos] != '.')
        return std::nullopt;
    ++pos;
    const auto minor = scanInt(text, pos);
    if (!minor)
        return std::nullopt;
    return Version{*major, *minor};
}

} // namespace zarvex
