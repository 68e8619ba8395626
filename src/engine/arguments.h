#pragma once
// The three argument forms that every script command shares, the escapes, and the
// formatted number reading the commands use.

#include <optional>
#include <string>
#include <string_view>

namespace zarvex {

// Form Q: the text after the first double quote, up to but not including the line's
// last character. nullopt when the line has no double quote.
std::optional<std::string> formQ(std::string_view line);

// Form C: the text between the first double quote and the next one (or the line's end
// when it is never closed), and what follows the closing quote with blanks skipped.
struct FormC {
    std::string argument;
    std::string nested;
};
std::optional<FormC> formC(std::string_view line);

// Form P: the text after the first blank, leading blanks skipped. nullopt when the line
// has no blank.
std::optional<std::string> formP(std::string_view line);

// Replaces every two-character escape by one character.
std::string replaceEscape(std::string text, std::string_view escape, char replacement);

// Reads a decimal number as formatted input does: optional leading white space, an
// optional sign, digits; the rest ignored; no digits give 0. Saturates at the int range.
long readDecimal(std::string_view text);

// Reads "%d.%d" from the start of the text; nullopt unless both numbers convert.
struct Version {
    long major;
    long minor;
};
std::optional<Version> readVersion(std::string_view text);

} // namespace zarvex
