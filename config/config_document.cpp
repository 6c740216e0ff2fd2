#include "config_document.h"

namespace {

constexpr int none = -1;

// Where a flag lives: options1 (1) or options2 (2), its bit, and whether a set bit means the
// option is off.
struct Flag_bit {
    const char* name;
    int word;
    int bit;
    bool inverted;
};

constexpr std::array<Flag_bit, 24> flag_bits = {{
    {"CheckBox_optic", 1, 7, true},
    {"CheckBox_autocompensation", 1, 11, false},
    {"CheckBox_thermic", 1, 8, true},
    {"CheckBox_ROP", 1, 14, true},
    {"CheckBox_const_add_10m", 2, 3, false},
    {"CheckBox_const_add_20m", 2, 4, false},
    {"RadioButton_WZ_NC", 2, 1, false},
    {"CheckBox_iso_active", 2, 7, false},
    {"CheckBox_save_events", 2, 9, false},
    {"CheckBox_overwrite", 2, 2, false},
    {"CheckBox_show_low_voltage", 2, 10, false},
    {"CheckBox_keep_scan", 2, 8, false},
    {"RadioButton_reset", 1, 1, false}, // bits 1 and 2 together
    {"CheckBox_con", 1, 15, false},
    {"CheckBox_ar_mode", 2, 0, false},
    {"CheckBox_relay", 1, 3, false},
    {"RadioButton_NC", 1, 4, false},
    {"CheckBox_alarm_add_10m", 2, 5, false},
    {"CheckBox_alarm_add_20m", 2, 6, false},
    {"CheckBox_blink", 1, 0, false},
    {"CheckBox_dust", 1, 9, false},
    {"CheckBox_malfunction", 1, 10, false},
    {"CheckBox_diff_alarm", 1, 12, false},
    {"CheckBox_const_current", 1, 13, false},
}};

constexpr int basic_address_bit = 5;
constexpr int rop_address_bit = 6;
constexpr int reset_second_bit = 2;

bool bit_set(std::uint16_t word, int bit) {
    return ((word >> bit) & 1u) != 0;
}

void set_bit(std::uint16_t& word, int bit, bool on) {
    const auto mask = static_cast<std::uint16_t>(1u << bit);
    word = static_cast<std::uint16_t>(on ? (word | mask) : (word & ~mask));
}

int value_or(const std::map<std::string, int>& values, const char* name, int fallback) {
    const auto found = values.find(name);
    return found == values.end() ? fallback : found->second;
}

} // namespace

const std::vector<Config_document::Option>& Config_document::options() {
    static const std::vector<Option> all = [] {
        std::vector<Option> list;
        for (const Flag_bit& flag : flag_bits) {
            list.push_back({flag.name, Kind::flag, 0, 1});
        }
        list.push_back({"CSpinEdit_rop_ans", Kind::number, 1, 1000});
        list.push_back({"CSpinEdit_rop_alm", Kind::number, 1, 1000});
        list.push_back({"CSpinEdit_hc", Kind::number, 0, 50});
        list.push_back({"ComboBox_smoke_profile", Kind::number, 0,
                        static_cast<int>(profile_values.size()) - 1});
        list.push_back({"ComboBox_address_1", Kind::address, none, 99});
        list.push_back({"ComboBox_address_2", Kind::address, none, 99});
        list.push_back({"ComboBox_address_WK", Kind::address, none, 99});
        return list;
    }();
    return all;
}

Config_document Config_document::from_words(const DetectorConfig& config) {
    Config_document document;
    for (const Flag_bit& flag : flag_bits) {
        const bool set = bit_set(flag.word == 1 ? config.options1 : config.options2, flag.bit);
        document.values[flag.name] = set != flag.inverted ? 1 : 0;
    }
    document.values["CSpinEdit_rop_ans"] = config.rop_ans;
    document.values["CSpinEdit_rop_alm"] = config.rop_alm;
    document.values["CSpinEdit_hc"] = config.hc;
    int profile = 0;
    for (std::size_t i = 0; i < profile_values.size(); ++i) {
        if (profile_values[i] == config.smoke_profile) {
            profile = static_cast<int>(i);
        }
    }
    document.values["ComboBox_smoke_profile"] = profile;
    const bool basic = bit_set(config.options1, basic_address_bit);
    document.values["ComboBox_address_1"] = basic ? config.address : none;
    document.values["ComboBox_address_2"] =
        bit_set(config.options1, rop_address_bit) ? config.rop_address : none;
    // Without a basic address the word is a W/K address; 0 there is the word of no address.
    document.values["ComboBox_address_WK"] = !basic && config.address != 0 ? config.address : none;
    return document;
}

DetectorConfig Config_document::to_words() const {
    DetectorConfig config;
    for (const Flag_bit& flag : flag_bits) {
        const bool on = value_or(values, flag.name, 0) != 0;
        std::uint16_t& word = flag.word == 1 ? config.options1 : config.options2;
        set_bit(word, flag.bit, on != flag.inverted);
        if (flag.word == 1 && flag.bit == 1) {
            set_bit(word, reset_second_bit, on);
        }
    }
    const int basic = value_or(values, "ComboBox_address_1", none);
    const int rop = value_or(values, "ComboBox_address_2", none);
    const int wk = value_or(values, "ComboBox_address_WK", none);
    set_bit(config.options1, basic_address_bit, basic != none);
    set_bit(config.options1, rop_address_bit, rop != none);
    // A W/K address wins over a basic one, as in the window.
    config.address = static_cast<std::uint16_t>(wk != none ? wk : (basic != none ? basic : 0));
    config.rop_address = static_cast<std::uint16_t>(rop != none ? rop : 0);
    config.rop_ans = static_cast<std::uint16_t>(value_or(values, "CSpinEdit_rop_ans", 1));
    config.rop_alm = static_cast<std::uint16_t>(value_or(values, "CSpinEdit_rop_alm", 1));
    config.hc = static_cast<std::uint16_t>(value_or(values, "CSpinEdit_hc", 0));
    const int profile = value_or(values, "ComboBox_smoke_profile", 0);
    config.smoke_profile = profile >= 0 && profile < static_cast<int>(profile_values.size())
                               ? profile_values[static_cast<std::size_t>(profile)]
                               : profile_values[0];
    return config;
}

std::string Config_document::first_invalid() const {
    for (const Option& option : options()) {
        const auto found = values.find(option.name);
        if (found == values.end() || found->second < option.minimum ||
            found->second > option.maximum) {
            return option.name;
        }
    }
    return {};
}
