#include "config_checksum.h"

#include "checksums.h"

std::uint16_t checksum_of_words(const std::array<std::uint16_t, config_checksum_words>& words) {
    std::array<std::uint8_t, 2 * config_checksum_words> bytes{};
    for (std::size_t i = 0; i < words.size(); ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(words[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(words[i] >> 8);
    }
    return crc16_ccitt(bytes.data(), static_cast<std::uint16_t>(bytes.size()));
}

std::uint16_t checksum_of_read(const DetectorConfig& config) {
    std::array<std::uint16_t, config_checksum_words> words{};
    words.fill(0xFFFF);
    const auto config_words = config.words();
    for (std::size_t i = 0; i < config_words.size(); ++i) {
        words[i] = config_words[i];
    }
    return checksum_of_words(words);
}
