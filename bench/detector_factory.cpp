#include "detector_factory.h"

#include <cctype>

Sim_detector Detector_factory::make(const Settings& settings) {
    Sim_detector::Identity identity;
    identity.version = settings.version;
    identity.info_word = settings.info_word;
    identity.wid[1] = static_cast<std::uint16_t>(first_number + count);
    ++count;
    if (settings.kind == Kind::configured) {
        return Sim_detector::configured(identity, Sim_detector::Config{});
    }
    return Sim_detector::factory_fresh(identity);
}

std::optional<std::uint16_t> Detector_factory::parse_word(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])) != 0) {
        ++begin;
    }
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])) != 0) {
        --end;
    }
    unsigned base = 10;
    if (end - begin > 2 && text[begin] == '0' &&
        (text[begin + 1] == 'x' || text[begin + 1] == 'X')) {
        base = 16;
        begin += 2;
    }
    if (begin == end) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        unsigned digit = 0;
        if (std::isdigit(c) != 0) {
            digit = static_cast<unsigned>(c - '0');
        } else if (base == 16 && std::isxdigit(c) != 0) {
            digit = static_cast<unsigned>(std::tolower(c) - 'a' + 10);
        } else {
            return std::nullopt;
        }
        value = value * base + digit;
        if (value > 0xFFFF) {
            return std::nullopt;
        }
    }
    return static_cast<std::uint16_t>(value);
}
