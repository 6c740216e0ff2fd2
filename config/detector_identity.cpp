#include "detector_identity.h"

#include <cstdio>

namespace {

std::string hex_pair(unsigned first, unsigned second) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%02x%02x", first, second);
    return text;
}

} // namespace

bool Detector_identity::same_detector(std::uint32_t other_version, std::uint32_t other_information,
                                      const std::optional<ParameterWords::Pair>& other_wid) const {
    if (other_version != version || other_information != information) {
        return false;
    }
    return !wid || (other_wid && *other_wid == *wid);
}

std::string Detector_identity::code() const {
    return hex_pair(version, information);
}

std::string Detector_identity::wid_code() const {
    return wid ? hex_pair((*wid)[0], (*wid)[1]) : std::string();
}
