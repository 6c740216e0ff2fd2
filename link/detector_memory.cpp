#include "detector_memory.h"

#include "link_status.h"

int Detector_memory::read_with_attempts(std::uint16_t address, std::uint16_t& first,
                                        std::uint16_t& second, int attempts) {
    int status = -1;
    for (int attempt = 0; attempt < attempts && status != link_status::ok; ++attempt) {
        status = read_2_words(address, first, second);
    }
    return status;
}

int Detector_memory::write_with_attempts(std::uint16_t address, std::uint16_t first,
                                         std::uint16_t second, int attempts) {
    int status = -1;
    for (int attempt = 0; attempt < attempts && status != link_status::ok; ++attempt) {
        status = write_2_words(address, first, second);
    }
    return status;
}

int Detector_memory::erase_with_attempts(std::uint16_t address, int attempts) {
    int status = -1;
    for (int attempt = 0; attempt < attempts && status != link_status::ok; ++attempt) {
        status = erase_sector(address);
    }
    return status;
}
