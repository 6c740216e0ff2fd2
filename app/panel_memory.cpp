#include "panel_memory.h"

#include "tform_pnx.h"

int Panel_memory::get_info(std::uint32_t& version, std::uint32_t& information) {
    if (panel_window == nullptr) {
        return no_link;
    }
    std::uint8_t panel_version = 0;
    std::uint16_t panel_information = 0;
    const int status = panel_window->get_info(panel_version, panel_information);
    if (status == 0) {
        version = panel_version;
        information = panel_information;
    }
    return status;
}

int Panel_memory::read_2_words(std::uint16_t address, std::uint16_t& first, std::uint16_t& second) {
    if (panel_window == nullptr) {
        return no_link;
    }
    return panel_window->read_2_words(address, first, second);
}

int Panel_memory::write_2_words(std::uint16_t address, std::uint16_t first, std::uint16_t second) {
    if (panel_window == nullptr) {
        return no_link;
    }
    return panel_window->write_2_words(address, first, second);
}

int Panel_memory::erase_sector(std::uint16_t address) {
    if (panel_window == nullptr) {
        return no_link;
    }
    return panel_window->erase_sector(address);
}
