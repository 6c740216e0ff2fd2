#pragma once

#include "link_status.h"
#include "usb_protocol.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The link to a PNX30 fire panel through the KMX12 module: login, the loop scan, the choice of
// one detector and the detector requests tunnelled to it. Remote operations return a status of
// link_status.h: ok, no_reply (a module transaction failed, or no link), data_error or
// crc_error.
class Pnx_connection {
public:
    static constexpr double link_protocol_version = 5.7;
    static constexpr int no_address_selected = 255;
    static constexpr int highest_loop_address = 99;
    static constexpr std::uint16_t sub_code_start_scan = 9;
    static constexpr std::uint16_t sub_code_erase_events = 26;

    struct Scan_result {
        bool started = false;
        bool bitmap_read = false;
        std::vector<int> addresses; // ascending; meaningful only when bitmap_read
        bool blocked = false;
    };

    struct Disconnect_result {
        int detector_status = link_status::no_reply;
        bool scan_started = false;
    };

    Pnx_connection();
    ~Pnx_connection();
    Pnx_connection(const Pnx_connection&) = delete;
    Pnx_connection& operator=(const Pnx_connection&) = delete;

    // Drops any earlier link, makes a new one and opens the module. A module that cannot be
    // opened leaves no link behind.
    bool open_module();
    void release_link();
    bool has_link() const { return usb_protocol != nullptr; }
    // The current link, for diagnostics; null when there is none.
    USB_protocol* protocol() { return usb_protocol.get(); }

    bool check_password(const std::string& password);
    // Start the panel's scan, wait, read the bitmap and block the panel's own scanning.
    Scan_result scan_loop();
    // The integer value of a chosen list entry, 0 when the text is not a number.
    void choose_address(const std::string& entry);
    // Hands the loop back to the panel: detector and panel resume scanning. The link stays.
    Disconnect_result disconnect(bool address_selected);

    int read_2_words(std::uint16_t address, std::uint16_t& first, std::uint16_t& second);
    int write_2_words(std::uint16_t address, std::uint16_t first, std::uint16_t second);
    int erase_sector(std::uint16_t address);
    int get_info(std::uint8_t& version, std::uint16_t& information);
    int detector_command(std::uint16_t sub_code, std::uint16_t& first, std::uint16_t& second);
    int erase_events();

    bool panel_link_open() const { return link_open; }
    int detector_address() const { return address; }

    // Where detectors answer on the loop, ascending: the last scan that could be read, kept up
    // to date with the basic addresses this tool has given since, so that two writes cannot
    // put two detectors on one address between scans.
    const std::vector<int>& loop_addresses() const { return occupied; }
    // The detector that answered at `from` now answers at `to`.
    void note_address_moved(int from, int to);

    // The password check's parameter text: 0x04, then the codes of four password characters,
    // '0' for each one missing.
    static std::string password_parameters(const std::string& password);

private:
    // Sends a detector request and fetches its reply into `frame`. Returns link_status::ok when a
    // reply with a good CRC-8 arrived, else the failure status.
    int tunnel(USB_protocol::Detector_frame& frame, std::uint8_t command, std::uint16_t word,
               std::uint16_t first, std::uint16_t second, bool reply_needs_time);
    static int judge_echo(const USB_protocol::Detector_frame& reply, std::uint8_t command);

    std::unique_ptr<USB_protocol> usb_protocol;
    int address = 0;
    bool link_open = false;
    std::vector<int> occupied;
};
