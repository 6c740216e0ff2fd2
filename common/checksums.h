#pragma once

#include <cstdint>

// The three CRCs of the tool. Each equals its catalogue definition bit for bit, including the
// empty input; none keeps state or allocates.

// CRC-16/ARC over module frames. The count is 8 bits wide on purpose: a frame never exceeds a
// 64-byte report, and callers pass "frame length minus two" computed in 8 bits.
std::uint16_t crc16_arc(const std::uint8_t* data, std::uint8_t count);

// CRC-8/MAXIM-DOW over the first eight bytes of a 9-byte detector request or reply.
std::uint8_t crc8_maxim(const std::uint8_t* data, std::uint16_t count);

// CRC-16/IBM-3740 (CCITT-FALSE) over the configuration words, each low byte first.
std::uint16_t crc16_ccitt(const std::uint8_t* data, std::uint16_t count);
