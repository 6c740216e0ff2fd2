#include "segment_image.h"

#include "config_checksum.h"

bool SegmentImage::set_pair(int k, std::uint16_t first, std::uint16_t second) {
    if (k < 0 || k >= pair_count) {
        return false;
    }
    words[static_cast<std::size_t>(2 * k)] = first;
    words[static_cast<std::size_t>(2 * k + 1)] = second;
    return true;
}

void SegmentImage::place_config(const DetectorConfig& config) {
    const auto config_words = config.words();
    for (std::size_t i = 0; i < config_words.size(); ++i) {
        words[i] = config_words[i];
    }
}

void SegmentImage::seal() {
    words[crc_index] = checksum_of_image(*this);
}
