#include "pnx_connection.h"

#include "hex_text.h"
#include "link_status.h"
#include "os_api.h"

#include <algorithm>
#include <charconv>

namespace {

namespace frame = detector_frame;

constexpr std::uint8_t password_command = 12;
constexpr const char* password_accepted_data = "04";
constexpr std::size_t password_length = 4;

// The panel needs this long to scan its loop once.
constexpr std::uint32_t scan_wait_ms = 1000;
// Get-info and detector commands make the detector work before it answers.
constexpr std::uint32_t detector_answer_wait_ms = 100;

} // namespace

Pnx_connection::Pnx_connection() = default;

Pnx_connection::~Pnx_connection() = default;

bool Pnx_connection::open_module() {
    usb_protocol.reset();
    usb_protocol = std::make_unique<USB_protocol>(link_protocol_version);
    link_open = false;
    if (!usb_protocol->open_module()) {
        usb_protocol.reset();
        return false;
    }
    return true;
}

void Pnx_connection::release_link() {
    usb_protocol.reset();
}

std::string Pnx_connection::password_parameters(const std::string& password) {
    std::string text = "04";
    for (std::size_t position = 0; position < password_length; ++position) {
        if (position < password.size()) {
            append_hex_pair(text, static_cast<std::uint8_t>(password[position]));
        } else {
            text += "30";
        }
    }
    return text;
}

bool Pnx_connection::check_password(const std::string& password) {
    if (!usb_protocol) {
        return false;
    }
    // The probe only wakes the module; the password check decides.
    usb_protocol->probe_module();
    std::uint8_t reply_code = 0;
    std::string reply_data;
    const bool answered = usb_protocol->send_command(
        password_command, password_parameters(password), reply_code, reply_data);
    return answered && reply_code == password_command && reply_data == password_accepted_data;
}

Pnx_connection::Scan_result Pnx_connection::scan_loop() {
    Scan_result result;
    if (!usb_protocol) {
        return result;
    }
    result.started = usb_protocol->start_scan(0);
    os_api().sleep_ms(scan_wait_ms);

    USB_protocol::Scan_flags flags{};
    if (usb_protocol->read_scan_bitmap(flags)) {
        result.bitmap_read = true;
        for (int loop_address = 0; loop_address <= highest_loop_address; ++loop_address) {
            if (flags[static_cast<std::size_t>(loop_address)] != 0) {
                result.addresses.push_back(loop_address);
            }
        }
        occupied = result.addresses;
        link_open = true;
    }

    result.blocked = usb_protocol->block_scan(0);
    if (result.blocked) {
        // The panel expects both bitmaps to be fetched once its scanning is blocked; what they
        // hold now is of no use.
        USB_protocol::Scan_flags discarded{};
        usb_protocol->read_scan_bitmap(discarded);
        usb_protocol->read_scan_bitmap_2(discarded);
    }
    return result;
}

void Pnx_connection::note_address_moved(int from, int to) {
    occupied.erase(std::remove(occupied.begin(), occupied.end(), from), occupied.end());
    const auto place = std::lower_bound(occupied.begin(), occupied.end(), to);
    if (place == occupied.end() || *place != to) {
        occupied.insert(place, to);
    }
}

void Pnx_connection::choose_address(const std::string& entry) {
    int value = 0;
    const char* first = entry.data();
    const char* last = entry.data() + entry.size();
    const auto [end, error] = std::from_chars(first, last, value);
    address = (error == std::errc{} && end == last) ? value : 0;
}

Pnx_connection::Disconnect_result Pnx_connection::disconnect(bool address_selected) {
    Disconnect_result result;
    if (!address_selected) {
        address = no_address_selected;
    }
    std::uint16_t first = 0;
    std::uint16_t second = 0;
    result.detector_status = detector_command(sub_code_start_scan, first, second);
    result.scan_started = usb_protocol && usb_protocol->start_scan(0);
    link_open = false;
    return result;
}

int Pnx_connection::tunnel(USB_protocol::Detector_frame& frame, std::uint8_t command,
                           std::uint16_t word, std::uint16_t first, std::uint16_t second,
                           bool reply_needs_time) {
    if (!usb_protocol) {
        return link_status::no_reply;
    }
    frame = frame::request(static_cast<std::uint8_t>(address & 0xFF), command, word, first, second);
    if (!usb_protocol->send_detector_request(frame)) {
        return link_status::no_reply;
    }
    if (reply_needs_time) {
        os_api().sleep_ms(detector_answer_wait_ms);
    }
    if (!usb_protocol->read_detector_reply(frame)) {
        return link_status::no_reply;
    }
    if (!frame::crc_matches(frame)) {
        return link_status::crc_error;
    }
    return link_status::ok;
}

int Pnx_connection::judge_echo(const USB_protocol::Detector_frame& reply, std::uint8_t command) {
    if (reply[frame::command_at] == command) {
        return link_status::ok;
    }
    return reply[frame::command_at] == frame::rejected ? link_status::crc_error
                                                       : link_status::data_error;
}

int Pnx_connection::read_2_words(std::uint16_t word_address, std::uint16_t& first,
                                 std::uint16_t& second) {
    USB_protocol::Detector_frame reply{};
    int status = tunnel(reply, frame::command_read, word_address, 0, 0, false);
    if (status == link_status::ok) {
        status = judge_echo(reply, frame::command_read);
    }
    if (status == link_status::ok) {
        first = frame::word(reply, frame::first_at);
        second = frame::word(reply, frame::second_at);
    }
    return status;
}

int Pnx_connection::write_2_words(std::uint16_t word_address, std::uint16_t first,
                                  std::uint16_t second) {
    USB_protocol::Detector_frame reply{};
    const int status = tunnel(reply, frame::command_write, word_address, first, second, false);
    return status == link_status::ok ? judge_echo(reply, frame::command_write) : status;
}

int Pnx_connection::erase_sector(std::uint16_t word_address) {
    USB_protocol::Detector_frame reply{};
    const int status = tunnel(reply, frame::command_erase, word_address, 0, 0, false);
    return status == link_status::ok ? judge_echo(reply, frame::command_erase) : status;
}

int Pnx_connection::get_info(std::uint8_t& version, std::uint16_t& information) {
    USB_protocol::Detector_frame reply{};
    const int status = tunnel(reply, frame::command_get_info, 0, 0, 0, true);
    if (status != link_status::ok) {
        return status;
    }
    if (reply[frame::info_marker_at] != frame::info_marker) {
        return link_status::data_error;
    }
    version = reply[frame::version_at];
    information = frame::word(reply, frame::information_at);
    return link_status::ok;
}

int Pnx_connection::detector_command(std::uint16_t sub_code, std::uint16_t& first,
                                     std::uint16_t& second) {
    USB_protocol::Detector_frame reply{};
    int status = tunnel(reply, frame::command_detector, sub_code, first, second, true);
    if (status == link_status::ok) {
        status = judge_echo(reply, frame::command_detector);
    }
    if (status == link_status::ok) {
        first = frame::word(reply, frame::first_at);
        second = frame::word(reply, frame::second_at);
    }
    return status;
}

int Pnx_connection::erase_events() {
    std::uint16_t first = 0;
    std::uint16_t second = 0;
    return detector_command(sub_code_erase_events, first, second);
}
