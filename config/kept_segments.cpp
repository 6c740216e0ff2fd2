#include "kept_segments.h"

void Kept_segments::keep(const ParameterWords::Pair& wid, const SegmentImage& image) {
    if (identifies_a_detector(wid)) {
        images[wid] = image;
    }
}

void Kept_segments::drop(const ParameterWords::Pair& wid) {
    images.erase(wid);
}

bool Kept_segments::holds(const ParameterWords::Pair& wid) const {
    return images.find(wid) != images.end();
}

bool Kept_segments::owned_by_tool(int index) {
    return index < DetectorConfig::word_count || index == SegmentImage::crc_index;
}

bool Kept_segments::identifies_a_detector(const ParameterWords::Pair& wid) {
    const bool erased_pair = wid[0] == erased && wid[1] == erased;
    const bool blank_pair = wid[0] == 0 && wid[1] == 0;
    return !erased_pair && !blank_pair;
}

int Kept_segments::restore_erased(const ParameterWords::Pair& wid, SegmentImage& read) const {
    const auto found = images.find(wid);
    if (found == images.end()) {
        return 0;
    }
    int taken = 0;
    for (int i = 0; i < SegmentImage::word_count; ++i) {
        const auto index = static_cast<std::size_t>(i);
        if (!owned_by_tool(i) && read.words[index] == erased &&
            found->second.words[index] != erased) {
            read.words[index] = found->second.words[index];
            ++taken;
        }
    }
    return taken;
}
