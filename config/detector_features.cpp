#include "detector_features.h"

namespace {

// The first version of each generation. Version 49 was a special run that already had the event
// options, between generations that had not.
constexpr int conjunction_from = 40;
constexpr int ar_mode_from = 46;
constexpr int currents_from = 50;
constexpr int events_from = 52;
constexpr int events_also_in = 49;

} // namespace

bool Detector_features::has(option_bits::Feature feature) const {
    switch (feature) {
    case option_bits::Feature::always:
        return true;
    case option_bits::Feature::conjunction:
        return conjunction;
    case option_bits::Feature::ar_mode:
        return ar_mode;
    case option_bits::Feature::currents:
        return currents;
    case option_bits::Feature::events:
        return events;
    }
    return false;
}

Detector_features features_of(int version) {
    Detector_features features;
    features.conjunction = version >= conjunction_from;
    features.ar_mode = version >= ar_mode_from;
    features.currents = version >= currents_from;
    features.events = version >= events_from || version == events_also_in;
    return features;
}
