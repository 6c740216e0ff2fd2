#include "detector_config.h"

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
