#include "segment_image.h"

#include "config_checksum.h"

#include <algorithm>

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

std::uint16_t SegmentImage::checksum() const {
    std::array<std::uint16_t, config_checksum_words> covered{};
    std::copy_n(words.begin(), covered.size(), covered.begin());
    return checksum_of_words(covered);
}

void SegmentImage::seal() {
    words[crc_index] = checksum();
}

bool SegmentImage::left_by_writing(const SegmentImage& image) const {
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i] != image.words[i] && words[i] != 0xFFFF) {
            return false;
        }
    }
    return true;
}
