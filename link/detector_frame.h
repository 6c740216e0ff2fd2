#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The detector's 9-byte request and reply, the same whichever way it travels: the dongle carries
// it behind its report marker, the panel's module tunnels it as it is. A request is the detector
// address, the command, three words low byte first and a CRC-8/MAXIM over the first eight bytes.
// A reply repeats the command in byte 1 and its words at the same places, or carries one of the
// reply markers below.
namespace detector_frame {

inline constexpr std::size_t size = 9;
using Frame = std::array<std::uint8_t, size>;

inline constexpr std::uint8_t command_get_info = 0x55;
inline constexpr std::uint8_t command_read = 0xBB;
inline constexpr std::uint8_t command_write = 0xAA;
inline constexpr std::uint8_t command_erase = 0xDD;
// The panel's detector commands; the first word is the sub-code.
inline constexpr std::uint8_t command_detector = 0xE1;

// Byte 2 of a get-info reply, whose byte 1 is not an echo.
inline constexpr std::uint8_t info_marker = 0x85;
// Byte 1 of the reply to a request that reached the detector with a bad CRC-8; the dongle's
// bootloader also fills bytes 2 and 3 with `rejection_fill`.
inline constexpr std::uint8_t rejected = 0xCE;
inline constexpr std::uint8_t rejection_fill = 0xEA;

// Byte positions.
inline constexpr std::size_t address_at = 0;
inline constexpr std::size_t command_at = 1;
inline constexpr std::size_t word_at = 2;
inline constexpr std::size_t first_at = 4;
inline constexpr std::size_t second_at = 6;
inline constexpr std::size_t crc_at = 8;
// In a get-info reply: the marker, the version byte and the information word.
inline constexpr std::size_t info_marker_at = 2;
inline constexpr std::size_t version_at = 3;
inline constexpr std::size_t information_at = 4;

// A sealed request. Only the low byte of `address` travels.
Frame request(std::uint8_t address, std::uint8_t command, std::uint16_t word,
              std::uint16_t first = 0, std::uint16_t second = 0);

// The word whose low byte is at `at`; `at` is one of the word positions above.
std::uint16_t word(const Frame& frame, std::size_t at);

bool crc_matches(const Frame& frame);

// The dongle's rejection of a damaged request: the marker and both fill bytes.
bool is_rejection(const Frame& reply);

} // namespace detector_frame
