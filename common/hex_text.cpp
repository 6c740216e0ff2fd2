#include "hex_text.h"

#include <cstddef>

std::string hex_text(std::uint32_t value, int digits, bool with_prefix) {
    static constexpr char hex_digits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), hex_digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (static_cast<int>(text.size()) < digits) {
        text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
    }
    return with_prefix ? "0x" + text : text;
}

void append_hex_pair(std::string& text, std::uint8_t value) {
    static constexpr char digits[] = "0123456789ABCDEF";
    text += digits[value >> 4];
    text += digits[value & 0x0F];
}

int hex_digit_value(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}
