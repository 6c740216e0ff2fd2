#pragma once

#include <cstdint>

// The four memory operations a read, a write and a monitor tick need from a detector, whichever
// way it is reached: through the dongle's bootloader or tunnelled through the fire panel. Each
// returns a status of link_status.h; the callers tell only link_status::ok from the rest.
// Outputs are written only on success.
class Detector_memory {
public:
    virtual ~Detector_memory() = default;

    virtual int get_info(std::uint32_t& version, std::uint32_t& information) = 0;
    virtual int read_2_words(std::uint16_t address, std::uint16_t& first,
                             std::uint16_t& second) = 0;
    virtual int write_2_words(std::uint16_t address, std::uint16_t first, std::uint16_t second) = 0;
    // Erases the flash segment that holds `address`.
    virtual int erase_sector(std::uint16_t address) = 0;

    // How the sequences repeat a failed operation: up to `attempts` tries, stopping at the first
    // success. Returns the last status.
    int read_with_attempts(std::uint16_t address, std::uint16_t& first, std::uint16_t& second,
                           int attempts);
    int write_with_attempts(std::uint16_t address, std::uint16_t first, std::uint16_t second,
                            int attempts);
    int erase_with_attempts(std::uint16_t address, int attempts);

protected:
    Detector_memory() = default;
    Detector_memory(const Detector_memory&) = default;
    Detector_memory& operator=(const Detector_memory&) = default;
};
