#pragma once

#include "detector_memory.h"

class Pnx_connection;

// The detector chosen on the panel's loop, tunnelled through the PNX30 panel. Without a panel
// connection every operation fails as a failed module transaction would.
class Panel_memory : public Detector_memory {
public:
    explicit Panel_memory(Pnx_connection* connection) : connection(connection) {}

    int get_info(std::uint32_t& version, std::uint32_t& information) override;
    int read_2_words(std::uint16_t address, std::uint16_t& first, std::uint16_t& second) override;
    int write_2_words(std::uint16_t address, std::uint16_t first, std::uint16_t second) override;
    int erase_sector(std::uint16_t address) override;

private:
    Pnx_connection* connection;
};
