#pragma once

#include "detector_memory.h"

class MSP430_bootloader;

// A detector in the dongle's socket, through a bootloader object that the caller owns and has
// connected.
class Bootloader_memory : public Detector_memory {
public:
    explicit Bootloader_memory(MSP430_bootloader& bootloader) : bootloader(bootloader) {}

    int get_info(std::uint32_t& version, std::uint32_t& information) override;
    int read_2_words(std::uint16_t address, std::uint16_t& first, std::uint16_t& second) override;
    int write_2_words(std::uint16_t address, std::uint16_t first, std::uint16_t second) override;
    int erase_sector(std::uint16_t address) override;

private:
    MSP430_bootloader& bootloader;
};
