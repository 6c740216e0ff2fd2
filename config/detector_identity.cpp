#include "detector_identity.h"

#include "kept_segments.h"

#include <cstdio>

namespace {

std::string hex_pair(unsigned first, unsigned second) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%02x%02x", first, second);
    return text;
}

} // namespace

Detector_identity::Match
Detector_identity::compare(std::uint32_t other_version, std::uint32_t other_information,
                           const std::optional<ParameterWords::Pair>& other_wid) const {
    if (other_version != version || other_information != information) {
        return Match::different;
    }
    // The tool never writes a WID pair, so two that were both read and differ, erased or not,
    // belong to two detectors.
    if (wid && other_wid && *wid != *other_wid) {
        return Match::different;
    }
    return named() && other_wid ? Match::same : Match::unnamed;
}

bool Detector_identity::named() const {
    return wid && Kept_segments::identifies_a_detector(*wid);
}

std::string Detector_identity::code() const {
    return hex_pair(version, information);
}

std::string Detector_identity::wid_code() const {
    return wid ? hex_pair((*wid)[0], (*wid)[1]) : std::string();
}
