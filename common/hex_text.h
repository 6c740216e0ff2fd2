#pragma once

#include <cstdint>
#include <string>

// Hexadecimal texts of the trace file and of the module's generic command parameters.

// `value` in lower-case hexadecimal, zero-filled to `digits`, behind "0x" when asked.
std::string hex_text(std::uint32_t value, int digits, bool with_prefix);

// Appends `value` as two upper-case digits.
void append_hex_pair(std::string& text, std::uint8_t value);

// 0 to 15 for a hexadecimal digit of either case, -1 for anything else.
int hex_digit_value(char c);
