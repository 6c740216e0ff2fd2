#pragma once

#include "sim_detector.h"

#include <cstdint>
#include <optional>
#include <string>

// Makes the detectors the bench puts into the dongle's socket or on the panel's loop. Every
// detector is a new one from the production line with a production number of its own (the
// second WID word), so a production series sees a different detector at every plug.
class Detector_factory {
public:
    enum class Kind { factory_fresh, configured };

    struct Settings {
        std::uint8_t version = 52;
        std::uint16_t info_word = 0x21;
        Kind kind = Kind::factory_fresh;
    };

    // The first production number handed out; numbers count up from here.
    static constexpr std::uint16_t first_number = 1;

    Sim_detector make(const Settings& settings);

    // Production numbers handed out so far.
    std::uint16_t made() const { return count; }

    // A 16-bit word as the user types it: decimal, or hexadecimal with "0x". Nothing for text
    // that is not a number or does not fit 16 bits.
    static std::optional<std::uint16_t> parse_word(const std::string& text);

private:
    std::uint16_t count = 0;
};
