#pragma once

#include "detector_config.h"

#include <array>
#include <cstdint>

// The configuration checksum is CRC-16/CCITT over the fifteen words at 0x1040 to 0x105C, each
// low byte first. The two directions fill those words differently: a read assumes the seven
// words after the configuration are erased, a write covers whatever they really hold
// (SegmentImage::checksum). A detector whose words 0x1050 to 0x105C are not erased therefore fails
// the read check after a write.
inline constexpr int config_checksum_words = 15;

std::uint16_t checksum_of_words(const std::array<std::uint16_t, config_checksum_words>& words);

// Read direction: the eight configuration words, then seven words of 0xFFFF.
std::uint16_t checksum_of_read(const DetectorConfig& config);
