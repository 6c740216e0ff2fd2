#pragma once

#include <array>
#include <cstdint>
#include <optional>

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

    // The address words. options1 says whether the address word is a basic address and whether
    // the ROP address word holds one; without a basic address the address word is a W/K address,
    // and 0 there is the word of a detector with no address at all.
    bool has_basic_address() const;
    bool has_rop_address() const;
    std::optional<int> basic_address() const;
    std::optional<int> rop_address_given() const;
    std::optional<int> wk_address() const;
    // Sets the address words and their bits as the window's three lists do: a W/K address wins
    // the address word over a basic one, while the basic address still sets its bit.
    void set_addresses(std::optional<int> basic, std::optional<int> rop, std::optional<int> wk);

    bool operator==(const DetectorConfig&) const = default;
};
