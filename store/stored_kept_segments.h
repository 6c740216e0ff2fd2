#pragma once

#include "kept_segment_store.h"

#include <QString>

class Station_store;

// The kept segment images in the station database, one row per detector, on the disk before
// the erase they guard against. They stay on this PC: they are a detector's own words for the
// next write of it here, not a record for the line.
class Stored_kept_segments : public Kept_segment_store {
public:
    explicit Stored_kept_segments(Station_store& store) : station(store) {}

    std::vector<Entry> load() override;
    bool save(const ParameterWords::Pair& wid, const SegmentImage& image) override;
    bool remove(const ParameterWords::Pair& wid) override;

    // "2417 0052"; the words as "FFFF 1234 ..." (32 of them). Nothing from text that is not
    // exactly that: a damaged row restores no words.
    static QString wid_text(const ParameterWords::Pair& wid);
    static QString words_text(const SegmentImage& image);
    static std::optional<ParameterWords::Pair> wid_of(const QString& text);
    static std::optional<SegmentImage> image_of(const QString& text);
    // Exactly `count` words of four hexadecimal digits, one space apart.
    static std::optional<std::vector<std::uint16_t>> words_of(const QString& text, int count);

private:
    Station_store& station;
};
