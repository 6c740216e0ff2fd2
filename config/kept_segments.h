#pragma once

#include "kept_segment_store.h"
#include "parameter_words.h"
#include "segment_image.h"

#include <map>

// Configuration segments whose write has not been verified, one per detector (its WID pair),
// for the life of the process and, with a store, across runs of the program. Between the erase and
// a complete write the words of the segment the tool does not own (0x1050-0x105C, 0x1060-0x107E)
// exist only in the image the write holds; a write that stops there would otherwise lose them for
// good, because the next write reads them back erased and carries 0xFFFF over.
class Kept_segments {
public:
    // From now on every image kept or dropped goes to `store` as well, and the images it holds
    // from earlier runs count as kept here; they are read at the first use, so a program that
    // never writes never opens the store. The store must outlive this object.
    void persist_in(Kept_segment_store& store);

    // The image is the detector's whole segment as the write meant to leave it.
    void keep(const ParameterWords::Pair& wid, const SegmentImage& image);
    void drop(const ParameterWords::Pair& wid);
    bool holds(const ParameterWords::Pair& wid) const;

    // Each word the tool does not own that `read` shows erased (0xFFFF) is taken from the image
    // kept for this detector; words the detector still holds win. Returns how many were taken.
    int restore_erased(const ParameterWords::Pair& wid, SegmentImage& read) const;

    // Word indexes of the segment the tool does not own.
    static bool owned_by_tool(int index);

    // An erased (all ones) or blank (all zeros) WID pair names no particular detector: an image
    // kept under it could fill another detector's segment with a stranger's words.
    static bool identifies_a_detector(const ParameterWords::Pair& wid);

    static constexpr std::uint16_t erased = 0xFFFF;

private:
    const std::map<ParameterWords::Pair, SegmentImage>& current() const;

    Kept_segment_store* store = nullptr;
    // Filled from the store on the first look, which may be a const one.
    mutable bool loaded = true;
    mutable std::map<ParameterWords::Pair, SegmentImage> images;
};
