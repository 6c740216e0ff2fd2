#pragma once

#include <array>
#include <cstdint>

// A 9-byte detector request or reply: address, command, six bytes of address and data (16-bit
// values low byte first), CRC-8/MAXIM over the first eight bytes.
using Sim_detector_bytes = std::array<std::uint8_t, 9>;

// Building and spoiling detector messages, shared by the detector and the dongle.
class Sim_detector_message {
public:
    static constexpr std::uint8_t get_info = 0x55;
    static constexpr std::uint8_t read = 0xBB;
    static constexpr std::uint8_t write = 0xAA;
    static constexpr std::uint8_t erase = 0xDD;
    static constexpr std::uint8_t command = 0xE1;
    static constexpr std::uint8_t rejection = 0xCE;
    static constexpr std::uint8_t rejection_filler = 0xEA;
    static constexpr std::uint8_t info_marker = 0x85;

    // The message with its CRC-8 in byte 8.
    static Sim_detector_bytes make(std::uint8_t address, std::uint8_t code, std::uint16_t field,
                                   std::uint16_t first, std::uint16_t second);
    static Sim_detector_bytes sealed(Sim_detector_bytes message);
    static bool crc_ok(const Sim_detector_bytes& message);
    static std::uint16_t value(const Sim_detector_bytes& message, std::size_t low_byte);

    // The detector's answer to a request it will not take: 0xCE with 0xEA 0xEA after it.
    static Sim_detector_bytes rejected(std::uint8_t from);

    // Spoiled replies, each with a valid CRC-8 unless the spoiling is the CRC itself.
    static Sim_detector_bytes with_bad_crc(Sim_detector_bytes reply);
    static Sim_detector_bytes with_wrong_command(Sim_detector_bytes reply);
    static Sim_detector_bytes with_wrong_echo(Sim_detector_bytes reply);
    // A request damaged on its way to the detector, so that its CRC-8 no longer matches.
    static Sim_detector_bytes with_line_noise(Sim_detector_bytes request);
};
