#include "bootloader_memory.h"

#include "msp430_bootloader.h"

int Bootloader_memory::get_info(std::uint32_t& version, std::uint32_t& information) {
    return bootloader.get_info(version, information);
}

int Bootloader_memory::read_2_words(std::uint16_t address, std::uint16_t& first,
                                    std::uint16_t& second) {
    return bootloader.read_2_words(address, first, second);
}

int Bootloader_memory::write_2_words(std::uint16_t address, std::uint16_t first,
                                     std::uint16_t second) {
    return bootloader.write_2_words(address, first, second);
}

int Bootloader_memory::erase_sector(std::uint16_t address) {
    return bootloader.erase_sector(address);
}
