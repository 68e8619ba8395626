#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zarvex::unit {

// Appends `text` as a JSON string literal, quotes included. Every byte stands for itself: control
// characters, DEL and bytes from 0x80 up become \u00XX, so any byte string (binary replies, half a
// UTF-8 sequence) still gives one valid JSON line that a reader can map back byte for byte.
void appendJsonString(std::string& out, std::string_view text);
std::string jsonString(std::string_view text);

// One JSON object on one line, built field by field in insertion order.
class JsonLine {
public:
    explicit JsonLine(std::string_view event);

    JsonLine& text(std::string_view key, std::string_view value);
    JsonLine& number(std::string_view key, std::uint64_t value);
    JsonLine& integer(std::string_view key, std::int64_t value);
    // A non-finite value is written as null: JSON has no NaN or infinity.
    JsonLine& real(std::string_view key, double value);
    JsonLine& boolean(std::string_view key, bool value);
    JsonLine& null(std::string_view key);

    std::string str() const { return body_ + "}"; }

private:
    void key(std::string_view key);
    std::string body_;
};

} // namespace zarvex::unit
