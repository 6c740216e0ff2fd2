#pragma once

#include <array>
#include <cstdint>

// One detector configuration as it lives in the information flash: eight words at 0x1040 to
// 0x104E and the checksum at 0x105E.
struct DetectorConfig {
    static constexpr int word_count = 8;
    static constexpr std::uint16_t first_address = 0x1040;
    static constexpr std::uint16_t crc_address = 0x105E;

    std::uint16_t options1 = 0;
    std::uint16_t address = 0;
    std::uint16_t rop_address = 0;
    std::uint16_t options2 = 0;
    std::uint16_t rop_ans = 0;
    std::uint16_t rop_alm = 0;
    std::uint16_t smoke_profile = 0;
    std::uint16_t hc = 0;
    std::uint16_t crc = 0;

    // Flash address of configuration word i (0 to 7): 0x1040 + 2i.
    static constexpr std::uint16_t address_of(int i) {
        return static_cast<std::uint16_t>(first_address + 2 * i);
    }

    // options1 to hc in address order; crc is not among them.
    std::array<std::uint16_t, word_count> words() const;

    // Word i (0 to 7) in address order; an index outside that range selects nothing.
    bool set_word(int i, std::uint16_t value);

    bool operator==(const DetectorConfig&) const = default;
};
