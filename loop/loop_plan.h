#pragma once

#include "detector_config.h"

#include <QString>

#include <map>

// What a loop should hold, as a commissioning file keeps it: the site it belongs to and, per loop
// address, the configuration the detector there is to have.
struct Loop_plan {
    struct Site {
        QString object;    // "Obiekt"
        QString panel;     // "Centrala"
        QString loop;      // "Pętla"
        QString performer; // "Wykonał"

        bool operator==(const Site&) const = default;
    };

    Site site;
    std::map<int, DetectorConfig> detectors;

    bool operator==(const Loop_plan&) const = default;
};
