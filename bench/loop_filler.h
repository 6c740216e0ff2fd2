#pragma once

#include "detector_factory.h"

#include <vector>

class Sim_bench;
class Sim_detector;

// "Fill the loop": N detectors (1 to 99) at loop addresses 1 to N, each a new one from the
// factory, configured in turn as the window's presets W, K and A leave a detector or left
// factory-fresh. From three detectors on, the last one is put at address 2 as well (two at one
// address); from five on, the one before it does not answer.
class Loop_filler {
public:
    static constexpr int most = 99;

    struct Filled {
        std::vector<Sim_detector*> detectors; // in the order they were put on the loop
        int duplicated_address = -1;          // where two answer, or -1
        int silent_address = -1;              // where one does not answer, or -1
    };

    static Filled fill(Sim_bench& bench, Detector_factory& factory, int count);
};
