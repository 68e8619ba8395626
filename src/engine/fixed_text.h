#pragma once
// A NUL-terminated 8-bit text of fixed capacity (terminator included), as the unit's
// command language and the loader's buffers use. Writes never pass the capacity:
// `assign` refuses a text that does not fit and leaves the old one in place.

#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace zarvex {

template <std::size_t Capacity> class FixedText {
    static_assert(Capacity >= 1);

public:
    static constexpr std::size_t capacity = Capacity;
    static constexpr std::size_t maxLength = Capacity - 1;

    FixedText() { chars_.fill('\0'); }
    explicit FixedText(std::string_view text) : FixedText() { assign(text); }

    // Replaces the text; false (and no change) when it is longer than maxLength.
    bool assign(std::string_view text) {
        if (text.size() > maxLength)
            return false;
        std::memcpy(chars_.data(), text.data(), text.size());
        chars_[text.size()] = '\0';
        return true;
    }
    // Appends; false (and no change) when the result would not fit.
    bool append(std::string_view text) {
        const std::size_t len = length();
        if (len + text.size() > maxLength)
            return false;
        std::memcpy(chars_.data() + len, text.data(), text.size());
        chars_[len + text.size()] = '\0';
        return true;
    }
    void clear() { chars_[0] = '\0'; }

    std::size_t length() const { return ::strnlen(chars_.data(), Capacity); }
    bool empty() const { return chars_[0] == '\0'; }
    std::string_view view() const { return {chars_.data(), length()}; }
    std::string str() const { return std::string(view()); }
    const char* c_str() const { return chars_.data(); }

    // Raw access for the few places that work on the buffer in place (reply collection).
    std::array<char, Capacity>& raw() { return chars_; }
    const std::array<char, Capacity>& raw() const { return chars_; }

    bool operator==(std::string_view other) const { return view() == other; }

private:
    std::array<char, Capacity> chars_;
};

} // namespace zarvex
