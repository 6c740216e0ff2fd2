#pragma once

#include "sim_hid_behaviour.h"

#include <cstdint>
#include <optional>
#include <vector>

// Panel frames as the interface module carries them in a 64-byte report: 0x10 0x10, length
// L = data bytes + 1, command code, data, CRC-16/ARC over everything before it, high byte first.
class Sim_panel_frame {
public:
    static constexpr std::uint8_t start = 0x10;
    static constexpr std::uint8_t error_marker = 0xAA;
    static constexpr std::size_t max_data = 58;

    struct Parsed {
        std::uint8_t code = 0;
        std::vector<std::uint8_t> data;
    };

    enum class Problem { none, not_a_frame, bad_length, bad_crc };

    // A frame with `data` (at most max_data bytes; more are cut off).
    static Sim_report build(std::uint8_t code, const std::vector<std::uint8_t>& data);
    // The module's error answer: 0xAA 0xAA, L = 2, the code it refers to, the error number, and
    // a valid CRC, so only a reader that looks at byte 0 can tell it from a frame.
    static Sim_report error(std::uint8_t code, std::uint8_t error_number);

    // Reads a frame whose length byte fits the report and whose CRC matches.
    static std::optional<Parsed> parse(const Sim_report& report, Problem* problem = nullptr);

    // The CRC position of a frame: after byte 3 + L - 1.
    static void seal(Sim_report& report);
};
