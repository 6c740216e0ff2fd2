#pragma once

#include "detector_config.h"

class Main_controls;

// The three configuration presets of the main window: each sets the sensing options, the relay,
// the LED options and the basic address as a detector of that kind is usually installed.
struct Preset {
    bool relay;
    bool relay_nc;
    bool blink;
    bool dust;
    bool malfunction;
    int address_1_entry;
    bool led_options_enabled;

    void apply(Main_controls& controls) const;
    // Every option the preset sets has the preset's value in `config` (addresses aside: each
    // detector keeps its own).
    bool matches(const DetectorConfig& config) const;

    static const Preset alarm;
    static const Preset conventional;
    // Address "0" is entry 1. The two LED options stay disabled until another preset is
    // chosen.
    static const Preset pnx30;
};
