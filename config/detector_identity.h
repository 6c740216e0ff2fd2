#pragma once

#include "parameter_words.h"

#include <cstdint>
#include <optional>
#include <string>

// What tells one detector from another while a write runs: the version and information word
// its get-info answers with, and its WID pair when a read got one. A write that repeats its
// erase after a failure asks for these again, so that a detector swapped in meanwhile never
// receives another detector's segment.
struct Detector_identity {
    std::uint32_t version = 0;
    std::uint32_t information = 0;
    std::optional<ParameterWords::Pair> wid;

    enum class Match {
        same,
        different,
        // Same get-info answer, and no WID pair names a particular detector on both sides:
        // something else has to tell them apart.
        unnamed,
    };
    // `other_wid`: the other detector's WID pair, when it could be read.
    Match compare(std::uint32_t other_version, std::uint32_t other_information,
                  const std::optional<ParameterWords::Pair>& other_wid) const;

    // The WID pair is known and names one detector: neither erased nor blank.
    bool named() const;

    // As the window shows them beside "Identyfikator produkcyjny:".
    std::string code() const;
    std::string wid_code() const;
};
