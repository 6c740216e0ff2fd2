#pragma once

#include "option_bits.h"

// What a detector of a given version provides. Each generation of detectors brought a group of
// options; older detectors ignore or misread their bits, so the window offers only what the
// connected detector has.
struct Detector_features {
    bool conjunction = false;
    bool ar_mode = false; // AR mode, the WZ mode, ROP parameters, isolator and smoke profiles
    bool currents = false;
    bool events = false; // event memory and its options, supply diagnostics, HC

    bool has(option_bits::Feature feature) const;
    bool operator==(const Detector_features&) const = default;
};

Detector_features features_of(int version);

// Before any detector has answered the window offers none of them.
inline constexpr int version_before_any_detector = 38;
