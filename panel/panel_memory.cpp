#include "panel_memory.h"

#include "link_status.h"
#include "pnx_connection.h"

int Panel_memory::get_info(std::uint32_t& version, std::uint32_t& information) {
    if (connection == nullptr) {
        return link_status::no_reply;
    }
    std::uint8_t panel_version = 0;
    std::uint16_t panel_information = 0;
    const int status = connection->get_info(panel_version, panel_information);
    if (status == link_status::ok) {
        version = panel_version;
        information = panel_information;
    }
    return status;
}

int Panel_memory::read_2_words(std::uint16_t address, std::uint16_t& first, std::uint16_t& second) {
    if (connection == nullptr) {
        return link_status::no_reply;
    }
    return connection->read_2_words(address, first, second);
}

int Panel_memory::write_2_words(std::uint16_t address, std::uint16_t first, std::uint16_t second) {
    if (connection == nullptr) {
        return link_status::no_reply;
    }
    return connection->write_2_words(address, first, second);
}

int Panel_memory::erase_sector(std::uint16_t address) {
    if (connection == nullptr) {
        return link_status::no_reply;
    }
    return connection->erase_sector(address);
}
