#include "kept_segments.h"

void Kept_segments::persist_in(Kept_segment_store& given) {
    store = &given;
    loaded = false;
}

const std::map<ParameterWords::Pair, SegmentImage>& Kept_segments::current() const {
    if (!loaded && store != nullptr) {
        loaded = true;
        for (const Kept_segment_store::Entry& entry : store->load()) {
            // An image of this run is newer than the stored one of the same detector.
            if (identifies_a_detector(entry.wid)) {
                images.emplace(entry.wid, entry.image);
            }
        }
    }
    return images;
}

void Kept_segments::keep(const ParameterWords::Pair& wid, const SegmentImage& image) {
    if (identifies_a_detector(wid)) {
        current();
        images[wid] = image;
        if (store != nullptr) {
            store->save(wid, image);
        }
    }
}

void Kept_segments::drop(const ParameterWords::Pair& wid) {
    current();
    // A verified write of a detector with nothing kept, the usual case, costs the disk nothing.
    if (images.erase(wid) != 0 && store != nullptr) {
        store->remove(wid);
    }
}

bool Kept_segments::holds(const ParameterWords::Pair& wid) const {
    return current().count(wid) != 0;
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
    const auto& kept_now = current();
    const auto found = kept_now.find(wid);
    if (found == kept_now.end()) {
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
