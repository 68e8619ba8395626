#include "json_line.h"

#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

namespace zarvex::unit {

void appendJsonString(std::string& out, std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '"' || b == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20 || b >= 0x7f) {
            out += "\\u00";
            out += hex[b >> 4];
            out += hex[b & 0xf];
        } else {
            out += c;
        }
    }
    out += '"';
}

std::string jsonString(std::string_view text) {
    std::string out;
    appendJsonString(out, text);
    return out;
}

JsonLine::JsonLine(std::string_view event) {
    body_ = "{";
    text("event", event);
}

void JsonLine::key(std::string_view key) {
    if (body_.size() > 1) {
        body_ += ',';
    }
    appendJsonString(body_, key);
    body_ += ':';
}

JsonLine& JsonLine::text(std::string_view k, std::string_view value) {
    key(k);
    appendJsonString(body_, value);
    return *this;
}

JsonLine& JsonLine::number(std::string_view k, std::uint64_t value) {
    key(k);
    body_ += std::to_string(value);
    return *this;
}

JsonLine& JsonLine::integer(std::string_view k, std::int64_t value) {
    key(k);
    body_ += std::to_string(value);
    return *this;
}

JsonLine& JsonLine::real(std::string_view k, double value) {
    key(k);
    if (!std::isfinite(value)) {
        body_ += "null";
        return *this;
    }
    // to_chars ignores the C locale, so a decimal comma can never break the JSON.
    std::array<char, 64> buf{};
    auto res = std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::fixed, 6);
    if (res.ec != std::errc{}) { // too wide for fixed notation: fall back to an exponent, still valid JSON
        res = std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::general, 9);
    }
    body_.append(buf.data(), res.ptr);
    return *this;
}

JsonLine& JsonLine::boolean(std::string_view k, bool value) {
    key(k);
    body_ += value ? "true" : "false";
    return *this;
}

JsonLine& JsonLine::null(std::string_view k) {
    key(k);
    body_ += "null";
    return *this;
}

} // namespace zarvex::unit
