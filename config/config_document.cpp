#include "config_document.h"

#include "bit_operations.h"
#include "option_bits.h"

namespace {

constexpr int none = -1;
constexpr const char* basic_list = "ComboBox_address_1";
constexpr const char* rop_list = "ComboBox_address_2";
constexpr const char* wk_list = "ComboBox_address_WK";
constexpr const char* profile_list = "ComboBox_smoke_profile";

std::uint16_t& word_of(DetectorConfig& config, option_bits::Word word) {
    return word == option_bits::Word::options1 ? config.options1 : config.options2;
}

std::uint16_t word_of(const DetectorConfig& config, option_bits::Word word) {
    return word == option_bits::Word::options1 ? config.options1 : config.options2;
}

int value_or(const std::map<std::string, int>& values, const char* name, int fallback) {
    const auto found = values.find(name);
    return found == values.end() ? fallback : found->second;
}

std::optional<int> address_of(const std::map<std::string, int>& values, const char* name) {
    const int value = value_or(values, name, none);
    return value == none ? std::nullopt : std::optional<int>(value);
}

} // namespace

const std::vector<Config_document::Option>& Config_document::options() {
    static const std::vector<Option> all = [] {
        std::vector<Option> list;
        for (const option_bits::Flag& flag : option_bits::flags) {
            list.push_back({flag.control, Kind::flag, 0, 1});
        }
        for (const option_bits::Number& number : option_bits::numbers) {
            list.push_back({number.control, Kind::number, number.minimum, number.maximum});
        }
        list.push_back({profile_list, Kind::number, 0,
                        static_cast<int>(option_bits::smoke_profiles.size()) - 1});
        for (const char* list_name : {basic_list, rop_list, wk_list}) {
            list.push_back({list_name, Kind::address, none, option_bits::highest_address});
        }
        return list;
    }();
    return all;
}

Config_document Config_document::from_words(const DetectorConfig& config) {
    const Bit_operations bits;
    Config_document document;
    for (const option_bits::Flag& flag : option_bits::flags) {
        const bool set = bits.test_bit(word_of(config, flag.word), flag.bit);
        document.values[flag.control] = set != flag.inverted ? 1 : 0;
    }
    const auto words = config.words();
    for (const option_bits::Number& number : option_bits::numbers) {
        document.values[number.control] = words[static_cast<std::size_t>(number.word)];
    }
    int profile = 0;
    for (std::size_t i = 0; i < option_bits::smoke_profiles.size(); ++i) {
        if (option_bits::smoke_profiles[i] == config.smoke_profile) {
            profile = static_cast<int>(i);
        }
    }
    document.values[profile_list] = profile;
    document.values[basic_list] = config.basic_address().value_or(none);
    document.values[rop_list] = config.rop_address_given().value_or(none);
    document.values[wk_list] = config.wk_address().value_or(none);
    return document;
}

DetectorConfig Config_document::to_words() const {
    const Bit_operations bits;
    DetectorConfig config;
    for (const option_bits::Flag& flag : option_bits::flags) {
        const bool on = value_or(values, flag.control, 0) != 0;
        std::uint16_t& word = word_of(config, flag.word);
        bits.set_bit(word, flag.bit, on != flag.inverted);
        if (flag.second_bit != option_bits::none) {
            bits.set_bit(word, flag.second_bit, on != flag.inverted);
        }
    }
    config.set_addresses(address_of(values, basic_list), address_of(values, rop_list),
                         address_of(values, wk_list));
    for (const option_bits::Number& number : option_bits::numbers) {
        config.set_word(number.word, static_cast<std::uint16_t>(
                                         value_or(values, number.control, number.minimum)));
    }
    const int profile = value_or(values, profile_list, 0);
    config.smoke_profile =
        profile >= 0 && profile < static_cast<int>(option_bits::smoke_profiles.size())
            ? option_bits::smoke_profiles[static_cast<std::size_t>(profile)]
            : option_bits::smoke_profiles[0];
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
