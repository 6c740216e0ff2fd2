#pragma once

#include <array>
#include <cstdint>

// The detector's MSP430 flash as far as the bootloader reaches it: the information memory
// 0x1000-0x10FF in four 64-byte segments and the main-flash backup segment 0xFC00-0xFDFF.
// Erasing sets a whole segment to 0xFFFF; programming can only clear bits, so a word
// programmed without an erase in between ends up as the AND of old and new.
// Addresses outside both regions behave as vacant memory: they read 0xFFFF and ignore erases
// and writes. Word accesses ignore address bit 0, as the CPU does.
class Sim_flash {
public:
    static constexpr std::uint16_t info_start = 0x1000;
    static constexpr std::uint16_t info_end = 0x1100; // one past the last byte
    static constexpr std::uint16_t info_segment_size = 64;
    static constexpr std::uint16_t backup_start = 0xFC00;
    static constexpr std::uint16_t backup_end = 0xFE00;
    static constexpr std::uint16_t main_segment_size = 512;

    Sim_flash(); // everything erased

    static bool mapped(std::uint16_t address);
    // First address of the segment that holds `address`; only meaningful when mapped.
    static std::uint16_t segment_start(std::uint16_t address);
    static std::uint16_t segment_size(std::uint16_t address);

    std::uint16_t word(std::uint16_t address) const;
    // Factory programming and test set-up: stores the word as it stands, bypassing flash rules.
    void set_word(std::uint16_t address, std::uint16_t value);

    // False when the address is not in flash (nothing happens then).
    bool erase_segment(std::uint16_t address);
    bool program_word(std::uint16_t address, std::uint16_t value);

    bool segment_erased(std::uint16_t address) const;
    std::uint32_t erase_count() const { return erases; }
    std::uint32_t program_count() const { return programs; }

private:
    static constexpr std::size_t info_words = (info_end - info_start) / 2;
    static constexpr std::size_t backup_words = (backup_end - backup_start) / 2;

    std::uint16_t* cell(std::uint16_t address);
    const std::uint16_t* cell(std::uint16_t address) const;

    std::array<std::uint16_t, info_words> info;
    std::array<std::uint16_t, backup_words> backup;
    std::uint32_t erases = 0;
    std::uint32_t programs = 0;
};
