#include "configuration_read.h"

#include "config_checksum.h"
#include "detector_memory.h"
#include "link_status.h"
#include "sequence_pacing.h"

#include <cstdio>

namespace {

struct Word_read {
    const char* text;
    std::uint16_t address;
};

// Reads 1 to 8: the configuration words in address order.
constexpr std::array<Word_read, DetectorConfig::word_count> config_reads = {{
    {"Odczyt opcji", 0x1040},
    {"Odczyt adresu PNX", 0x1042},
    {"Odczyt adresu ROP", 0x1044},
    {"Odczyt opcji 2", 0x1046},
    {"Odczyt parametru ROP ANS", 0x1048},
    {"Odczyt parametru ROP ALM", 0x104A},
    {"Odczyt profili", 0x104C},
    {"Odczyt parametru HC", 0x104E},
}};

// Labels of reads 1 to 8 in the communication message, each put before its status.
constexpr std::array<const char*, DetectorConfig::word_count> status_labels = {
    " Odczyt opcji = ",        ", odczyt adresu PNX = ",        ", odczyt adresu ROP = ",
    ", odczyt opcji 2 = ",     ", odczyt parametru ROP ANS = ", ", odczyt parmetru ROP ALM = ",
    ", odczyt parmetru SP = ", ", odczyt parmetru HC = ",
};

} // namespace

int Configuration_read::read_step(const char* text, std::uint16_t address, std::uint16_t& first,
                                  std::uint16_t& second) {
    pacing.step(text);
    pacing.pause(pause_ms);
    return memory.read_with_attempts(address, first, second, attempts);
}

Configuration_read::Result Configuration_read::run(ParameterWords& parameters) {
    Result result;

    for (std::size_t i = 0; i < config_reads.size(); ++i) {
        std::uint16_t first = 0;
        std::uint16_t second = 0;
        result.statuses[i] =
            read_step(config_reads[i].text, config_reads[i].address, first, second);
        if (result.statuses[i] == link_status::ok) {
            result.config.set_word(static_cast<int>(i), first);
        }
    }

    // Reads 9 to 12. A pair none of whose attempts succeeded keeps what an earlier read stored,
    // and nobody is told: these pairs only matter to a write's verification.
    const struct {
        const char* text;
        std::uint16_t address;
        ParameterWords::Pair& pair;
    } parameter_reads[] = {
        {"Odczyt parametru UR", ParameterWords::UR_address, parameters.UR},
        {"Odczyt parametru U0", ParameterWords::U0_address, parameters.U0},
        {"Odczyt parametru UC", ParameterWords::UC_address, parameters.UC},
        {"Odczyt parametru WID", ParameterWords::WID_address, parameters.WID},
    };
    for (const auto& read : parameter_reads) {
        std::uint16_t first = 0;
        std::uint16_t second = 0;
        if (read_step(read.text, read.address, first, second) == link_status::ok) {
            read.pair = {first, second};
            if (read.address == ParameterWords::WID_address) {
                result.wid = read.pair;
            }
        }
    }

    std::uint16_t crc = 0;
    std::uint16_t unused = 0;
    result.statuses[8] =
        read_step("Odczyt CRC konfiguracji", DetectorConfig::crc_address, crc, unused);
    if (result.statuses[8] == link_status::ok) {
        result.config.crc = crc;
    }

    pacing.step("Weryfikacja wartości");
    pacing.pause(pause_ms);

    bool all_read = true;
    for (const int status : result.statuses) {
        all_read = all_read && status == link_status::ok;
    }
    if (!all_read) {
        result.outcome = Outcome::communication_error;
    } else if (checksum_of_read(result.config) != result.config.crc) {
        result.outcome = Outcome::checksum_error;
    } else {
        result.outcome = Outcome::ok;
    }
    return result;
}

std::string
Configuration_read::communication_message(const std::array<int, kept_statuses>& statuses) {
    // The checksum read's status decides as well but is not named.
    std::string text = "Błąd komunikacji z czujką. ";
    for (std::size_t i = 0; i < status_labels.size(); ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%i", statuses[i]);
        text += status_labels[i];
        text += number;
    }
    return text;
}
