#pragma once

#include "detector_config.h"

#include <array>
#include <cstdint>

// The whole configuration segment, 0x1040 to 0x107F, as a write erases and rewrites it: word i
// belongs to address 0x1040 + 2i. The words the tool does not own are carried over from what
// the detector held, so a write never loses them.
class SegmentImage {
public:
    static constexpr int word_count = 32;
    static constexpr int pair_count = 16;
    static constexpr int crc_index = 15;
    static constexpr std::uint16_t first_address = 0x1040;

    std::array<std::uint16_t, word_count> words{};

    // Address of word pair k (0 to 15): 0x1040 + 4k.
    static constexpr std::uint16_t pair_address(int k) {
        return static_cast<std::uint16_t>(first_address + 4 * k);
    }

    // Stores the two words of pair k; false (and nothing stored) when k is out of range.
    bool set_pair(int k, std::uint16_t first, std::uint16_t second);

    // Words 0 to 7 become the configuration words; everything else stays.
    void place_config(const DetectorConfig& config);

    // The configuration checksum in the write direction: over words 0 to 14, whatever they hold.
    std::uint16_t checksum() const;
    // Word 15 becomes that checksum.
    void seal();

    // Every word is either the one `image` has there or erased (0xFFFF): what an erase of the
    // segment and a write of `image` that stopped anywhere leave behind.
    bool left_by_writing(const SegmentImage& image) const;

    bool operator==(const SegmentImage&) const = default;
};
