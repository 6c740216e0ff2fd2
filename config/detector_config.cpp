#include "detector_config.h"

#include "bit_operations.h"
#include "option_bits.h"

std::array<std::uint16_t, DetectorConfig::word_count> DetectorConfig::words() const {
    return {options1, address, rop_address, options2, rop_ans, rop_alm, smoke_profile, hc};
}

bool DetectorConfig::set_word(int i, std::uint16_t value) {
    std::uint16_t* const fields[word_count] = {&options1, &address, &rop_address,   &options2,
                                               &rop_ans,  &rop_alm, &smoke_profile, &hc};
    if (i < 0 || i >= word_count) {
        return false;
    }
    *fields[i] = value;
    return true;
}

bool DetectorConfig::has_basic_address() const {
    return Bit_operations().test_bit(options1, option_bits::basic_address_present);
}

bool DetectorConfig::has_rop_address() const {
    return Bit_operations().test_bit(options1, option_bits::rop_address_present);
}

std::optional<int> DetectorConfig::basic_address() const {
    return has_basic_address() ? std::optional<int>(address) : std::nullopt;
}

std::optional<int> DetectorConfig::rop_address_given() const {
    return has_rop_address() ? std::optional<int>(rop_address) : std::nullopt;
}

std::optional<int> DetectorConfig::wk_address() const {
    return !has_basic_address() && address != 0 ? std::optional<int>(address) : std::nullopt;
}

void DetectorConfig::set_addresses(std::optional<int> basic, std::optional<int> rop,
                                   std::optional<int> wk) {
    const Bit_operations bits;
    bits.set_bit(options1, option_bits::basic_address_present, basic.has_value());
    bits.set_bit(options1, option_bits::rop_address_present, rop.has_value());
    address = static_cast<std::uint16_t>(wk ? *wk : basic.value_or(0));
    rop_address = static_cast<std::uint16_t>(rop.value_or(0));
}
