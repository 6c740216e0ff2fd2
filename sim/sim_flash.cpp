#include "sim_flash.h"

Sim_flash::Sim_flash() {
    info.fill(0xFFFF);
    backup.fill(0xFFFF);
}

bool Sim_flash::mapped(std::uint16_t address) {
    return (address >= info_start && address < info_end) ||
           (address >= backup_start && address < backup_end);
}

std::uint16_t Sim_flash::segment_size(std::uint16_t address) {
    return address >= backup_start ? main_segment_size : info_segment_size;
}

std::uint16_t Sim_flash::segment_start(std::uint16_t address) {
    const std::uint16_t size = segment_size(address);
    return static_cast<std::uint16_t>(address - address % size);
}

std::uint16_t* Sim_flash::cell(std::uint16_t address) {
    return const_cast<std::uint16_t*>(static_cast<const Sim_flash*>(this)->cell(address));
}

const std::uint16_t* Sim_flash::cell(std::uint16_t address) const {
    if (address >= info_start && address < info_end) {
        return &info[(address - info_start) / 2];
    }
    if (address >= backup_start && address < backup_end) {
        return &backup[(address - backup_start) / 2];
    }
    return nullptr;
}

std::uint16_t Sim_flash::word(std::uint16_t address) const {
    const std::uint16_t* at = cell(address);
    return at == nullptr ? 0xFFFF : *at;
}

void Sim_flash::set_word(std::uint16_t address, std::uint16_t value) {
    if (std::uint16_t* at = cell(address)) {
        *at = value;
    }
}

bool Sim_flash::erase_segment(std::uint16_t address) {
    if (!mapped(address)) {
        return false;
    }
    const std::uint16_t start = segment_start(address);
    for (std::uint32_t a = start; a < start + segment_size(address); a += 2) {
        *cell(static_cast<std::uint16_t>(a)) = 0xFFFF;
    }
    ++erases;
    return true;
}

bool Sim_flash::program_word(std::uint16_t address, std::uint16_t value) {
    std::uint16_t* at = cell(address);
    if (at == nullptr) {
        return false;
    }
    *at &= value;
    ++programs;
    return true;
}

bool Sim_flash::segment_erased(std::uint16_t address) const {
    if (!mapped(address)) {
        return false;
    }
    const std::uint16_t start = segment_start(address);
    for (std::uint32_t a = start; a < start + segment_size(address); a += 2) {
        if (word(static_cast<std::uint16_t>(a)) != 0xFFFF) {
            return false;
        }
    }
    return true;
}
