#pragma once

#include "loop_address.h"

#include <array>
#include <cstdint>

// Where every option of the main window lives in the detector's two option words, by the name of
// the control that shows it. The window, the configuration files and the write record all read
// the layout from here; the simulator keeps its own as the tests' oracle.
namespace option_bits {

enum class Word { options1, options2 };

// The generation of detectors that brought an option (detector_features.h); an option the
// connected detector's version lacks is disabled and cleared.
enum class Feature { always, conjunction, ar_mode, currents, events };

struct Flag {
    const char* control; // objectName of its check box, or of the radio button a set bit selects
    Word word;
    int bit;
    bool inverted;       // a set bit means the option is off
    int second_bit;      // a bit that always equals `bit`, or -1
    const char* partner; // the radio button a clear bit selects, or nullptr
    Feature needs;
    // A detector without the feature gets the option disabled; it is cleared too unless this is
    // set (the isolator option keeps its state).
    bool kept_when_missing;
};

inline constexpr int none = -1;

// In the window's order, which is also the order in which the window sets them: each current
// option before its partner in alarm, so the interlocks settle the same way every time.
inline constexpr std::array<Flag, 24> flags = {{
    {"CheckBox_optic", Word::options1, 7, true, none, nullptr, Feature::always, false},
    {"CheckBox_autocompensation", Word::options1, 11, false, none, nullptr, Feature::always, false},
    {"CheckBox_thermic", Word::options1, 8, true, none, nullptr, Feature::always, false},
    {"CheckBox_ROP", Word::options1, 14, true, none, nullptr, Feature::always, false},
    {"CheckBox_const_add_10m", Word::options2, 3, false, none, nullptr, Feature::currents, false},
    {"CheckBox_const_add_20m", Word::options2, 4, false, none, nullptr, Feature::currents, false},
    {"RadioButton_WZ_NC", Word::options2, 1, false, none, "RadioButton_WZ_NO", Feature::ar_mode,
     false},
    {"CheckBox_iso_active", Word::options2, 7, false, none, nullptr, Feature::ar_mode, true},
    {"CheckBox_save_events", Word::options2, 9, false, none, nullptr, Feature::events, false},
    {"CheckBox_overwrite", Word::options2, 2, false, none, nullptr, Feature::events, false},
    {"CheckBox_show_low_voltage", Word::options2, 10, false, none, nullptr, Feature::events, false},
    {"CheckBox_keep_scan", Word::options2, 8, false, none, nullptr, Feature::events, false},
    {"RadioButton_reset", Word::options1, 1, false, 2, "RadioButton_lock", Feature::always, false},
    {"CheckBox_con", Word::options1, 15, false, none, nullptr, Feature::conjunction, false},
    {"CheckBox_ar_mode", Word::options2, 0, false, none, nullptr, Feature::ar_mode, false},
    {"CheckBox_relay", Word::options1, 3, false, none, nullptr, Feature::always, false},
    {"RadioButton_NC", Word::options1, 4, false, none, "RadioButton_NO", Feature::always, false},
    {"CheckBox_alarm_add_10m", Word::options2, 5, false, none, nullptr, Feature::currents, false},
    {"CheckBox_alarm_add_20m", Word::options2, 6, false, none, nullptr, Feature::currents, false},
    {"CheckBox_blink", Word::options1, 0, false, none, nullptr, Feature::always, false},
    {"CheckBox_dust", Word::options1, 9, false, none, nullptr, Feature::always, false},
    {"CheckBox_malfunction", Word::options1, 10, false, none, nullptr, Feature::always, false},
    {"CheckBox_diff_alarm", Word::options1, 12, false, none, nullptr, Feature::always, false},
    {"CheckBox_const_current", Word::options1, 13, false, none, nullptr, Feature::always, false},
}};

// options1: the address word holds a basic address (else a W/K address, or none at all), and the
// ROP address word holds one.
inline constexpr int basic_address_present = 5;
inline constexpr int rop_address_present = 6;

// The numbers of the window, by their controls: configuration word (DetectorConfig order), range
// of the spin edit, the value it starts with, and the generation that brought it.
struct Number {
    const char* control;
    int word;
    int minimum;
    int maximum;
    int initial;
    Feature needs;
};
inline constexpr std::array<Number, 3> numbers = {{
    {"CSpinEdit_rop_ans", 4, 1, 1000, 10, Feature::ar_mode},
    {"CSpinEdit_rop_alm", 5, 1, 1000, 50, Feature::ar_mode},
    {"CSpinEdit_hc", 7, 0, 50, 0, Feature::events},
}};

// Stored smoke_profile value of each profile number; the profile list's entry index is the
// number, and a value that is none of these shows as profile 0.
inline constexpr std::array<std::uint16_t, 7> smoke_profiles = {100, 125, 150, 200, 80, 60, 40};
inline constexpr Feature smoke_profile_needs = Feature::ar_mode;

inline constexpr int highest_address = loop_address::highest;

} // namespace option_bits
