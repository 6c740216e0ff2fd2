#pragma once

#include "detector_memory.h"

class TForm_pnx;

// The detector chosen in the panel window, tunnelled through the PNX30 panel. Without a panel
// window every operation fails as a failed module transaction would (status 1).
class Panel_memory : public Detector_memory {
public:
    explicit Panel_memory(TForm_pnx* panel_window) : panel_window(panel_window) {}

    int get_info(std::uint32_t& version, std::uint32_t& information) override;
    int read_2_words(std::uint16_t address, std::uint16_t& first, std::uint16_t& second) override;
    int write_2_words(std::uint16_t address, std::uint16_t first, std::uint16_t second) override;
    int erase_sector(std::uint16_t address) override;

    static constexpr int no_link = 1;

private:
    TForm_pnx* panel_window;
};
