#pragma once

#include "detector_config.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// A configuration as a file keeps it: every option of the window by its control's name, with a
// value that stays meaningful when the bit layout is not at hand. Flags are 0 or 1, the numbers
// are what the spin edits and the profile list show, and an address is -1 for "brak".
class Config_document {
public:
    static constexpr int format_version = 1;

    enum class Kind { flag, number, address };
    struct Option {
        const char* name;
        Kind kind;
        int minimum;
        int maximum;
    };
    // Every option, in the window's order.
    static const std::vector<Option>& options();

    // Holds a value for every option.
    static Config_document from_words(const DetectorConfig& config);
    // The eight words a write of these options stores; crc is left 0.
    DetectorConfig to_words() const;

    // Empty when every option has a value of its kind inside its range; else the name of the
    // first one that has none or a wrong one.
    std::string first_invalid() const;

    std::map<std::string, int> values;
};
