#pragma once

#include "parameter_words.h"
#include "segment_image.h"

#include <vector>

// Where the kept segment images outlive the process: a write given up after the erase at the
// end of a shift, or a crash before the next write, must not lose a detector's factory words.
// Whatever the store hands back is judged again by `Kept_segments`: a file can be damaged.
class Kept_segment_store {
public:
    struct Entry {
        ParameterWords::Pair wid{};
        SegmentImage image;
    };

    virtual ~Kept_segment_store() = default;
    // Every image kept so far, in no particular order; nothing when the store cannot be read.
    virtual std::vector<Entry> load() = 0;
    // False when the image did not reach the store; the one in memory still serves this run.
    virtual bool save(const ParameterWords::Pair& wid, const SegmentImage& image) = 0;
    virtual bool remove(const ParameterWords::Pair& wid) = 0;

protected:
    Kept_segment_store() = default;
    Kept_segment_store(const Kept_segment_store&) = default;
    Kept_segment_store& operator=(const Kept_segment_store&) = default;
};
