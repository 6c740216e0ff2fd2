#include "usb_protocol.h"

#include "checksums.h"
#include "hex_text.h"
#include "hid_device_mcu.h"

namespace {

constexpr std::uint8_t frame_start = 0x10;
constexpr std::uint8_t probe_code = 0xF5;
constexpr std::uint8_t module_error_marker = 0xAA;
constexpr std::uint8_t code_long_record = 7;
constexpr std::uint8_t code_long_record_read = 8;
// Versions above this one carry four more data bytes in records 7 and 8.
constexpr double short_record_version = 5.2;
constexpr std::uint8_t long_record_extra = 4;
// Start bytes, length byte and command code before the data; the CRC after it.
constexpr std::size_t header_size = 4;
constexpr std::size_t crc_size = 2;

constexpr const char* message_usb_error = "Błąd protokołu USB!";
constexpr const char* message_frame = "Moduł Qxx odpowiedział ramką!";
constexpr const char* message_module_error = "Moduł Qxx odpowiedział błędem!";
constexpr const char* message_crc = "Nieprawidłowy kod CRC otrzymanej ramki!";
constexpr const char* message_usb_frame = "Moduł Qxx odpowiedział ramką USB!";

struct Length_tables {
    std::array<std::uint8_t, 256> request{};
    std::array<std::uint8_t, 256> reply{};
};

constexpr Length_tables make_length_tables() {
    struct Row {
        std::uint8_t code, request, reply;
    };
    constexpr Row rows[] = {
        {0x00, 0, 2},   {0x01, 2, 2},  {0x02, 1, 2},   {0x03, 16, 16}, {0x04, 2, 16},
        {0x05, 14, 14}, {0x06, 1, 14}, {0x07, 25, 25}, {0x08, 1, 25},  {0x09, 3, 3},
        {0x0A, 1, 3},   {0x0B, 5, 5},  {0x0C, 5, 1},   {0x0D, 3, 3},   {0x0E, 0, 3},
        {0x0F, 3, 3},   {0x10, 0, 3},  {0x1E, 3, 0},   {0x20, 4, 4},   {0x21, 0, 4},
        {0x30, 0, 2},   {0x31, 2, 12}, {0x35, 26, 26}, {0xF0, 22, 22},
    };
    Length_tables tables;
    for (const Row& row : rows) {
        tables.request[row.code] = row.request;
        tables.reply[row.code] = row.reply;
    }
    return tables;
}

constexpr Length_tables length_tables = make_length_tables();

bool crc_matches(const std::uint8_t* frame, std::size_t covered) {
    const std::uint16_t crc = crc16_arc(frame, static_cast<std::uint8_t>(covered));
    return frame[covered] == (crc >> 8) && frame[covered + 1] == (crc & 0xFF);
}

} // namespace

USB_protocol::USB_protocol(double protocol_version)
    : module_device(std::make_unique<HID_device_MCU>()), protocol_version(protocol_version) {}

USB_protocol::~USB_protocol() = default;

bool USB_protocol::open_module() {
    module_open = module_device->search();
    return module_open;
}

std::uint8_t USB_protocol::request_data_length(std::uint8_t code, double version) {
    std::uint8_t length = length_tables.request[code];
    if (code == code_long_record && version > short_record_version) {
        length += long_record_extra;
    }
    return length;
}

std::uint8_t USB_protocol::reply_data_length(std::uint8_t code, double version) {
    std::uint8_t length = length_tables.reply[code];
    if ((code == code_long_record || code == code_long_record_read) &&
        version > short_record_version) {
        length += long_record_extra;
    }
    return length;
}

USB_protocol::Reply_check USB_protocol::check_generic_reply(const std::uint8_t* reply,
                                                            std::uint8_t data_length) {
    if (reply[0] == module_error_marker) {
        return Reply_check::module_error;
    }
    const std::size_t covered = header_size + data_length;
    if (covered + crc_size > report_size || !crc_matches(reply, covered)) {
        return Reply_check::crc_mismatch;
    }
    return Reply_check::valid;
}

USB_protocol::Reply_check USB_protocol::check_fixed_reply(const std::uint8_t* reply,
                                                          std::uint8_t command) {
    // The frame is judged by its own length byte, which counts the command code and the data.
    // A length that puts the CRC beyond the report cannot be checked and fails like a bad CRC.
    const std::size_t covered = std::size_t{reply[2]} + 3;
    if (covered + crc_size > report_size || !crc_matches(reply, covered)) {
        return Reply_check::crc_mismatch;
    }
    return reply[3] == command ? Reply_check::valid : Reply_check::other_command;
}

void USB_protocol::clear_buffers() {
    request.fill(0);
    reply.fill(0);
}

void USB_protocol::seal_panel_frame(std::uint8_t data_length) {
    const std::size_t covered = header_size + data_length;
    const std::uint16_t crc = crc16_arc(request.data(), static_cast<std::uint8_t>(covered));
    request[covered] = static_cast<std::uint8_t>(crc >> 8);
    request[covered + 1] = static_cast<std::uint8_t>(crc & 0xFF);
}

void USB_protocol::report(const char* message) const {
    if (message_hook) {
        message_hook(message);
    }
}

bool USB_protocol::transact() {
    // Without an opened module there is no device to exchange with; the operation fails as a
    // failed exchange would.
    if (!module_open) {
        report(message_usb_error);
        return false;
    }
    const bool exchanged = module_device->exchange(request.data(), reply.data(), true);
    if (frame_dump_hook) {
        frame_dump_hook(Direction::request, request.data(), request.size());
        frame_dump_hook(Direction::reply, reply.data(), reply.size());
    }
    if (!exchanged) {
        report(message_usb_error);
    }
    return exchanged;
}

bool USB_protocol::probe_module() {
    clear_buffers();
    request[0] = probe_code;
    request[1] = 0x00;
    if (!transact()) {
        return false;
    }
    if (reply[0] != probe_code) {
        report(message_module_error);
        return false;
    }
    report(message_frame);
    return true;
}

bool USB_protocol::send_command(std::uint8_t code, const std::string& parameters,
                                std::uint8_t& reply_code, std::string& reply_data) {
    // Every digit pair must be hexadecimal before anything is sent; a lone trailing digit is
    // dropped.
    const std::size_t pair_count = parameters.size() / 2;
    for (std::size_t i = 0; i < pair_count * 2; ++i) {
        if (hex_digit_value(parameters[i]) < 0) {
            return false;
        }
    }

    clear_buffers();
    const std::uint8_t data_length = request_data_length(code);
    request[0] = frame_start;
    request[1] = frame_start;
    request[2] = static_cast<std::uint8_t>(data_length + 1);
    request[3] = code;
    // The frame's size follows the length table; pairs beyond it have no place in the frame.
    for (std::size_t i = 0; i < pair_count && i < data_length; ++i) {
        request[header_size + i] = static_cast<std::uint8_t>(
            hex_digit_value(parameters[2 * i]) * 16 + hex_digit_value(parameters[2 * i + 1]));
    }
    seal_panel_frame(data_length);
    if (!transact()) {
        return false;
    }

    reply_code = reply[3];
    const std::uint8_t reply_length = reply_data_length(reply_code);
    switch (check_generic_reply(reply.data(), reply_length)) {
    case Reply_check::module_error:
        report(message_module_error);
        return false;
    case Reply_check::valid:
        break;
    default:
        report(message_crc);
        return false;
    }
    report(message_frame);
    for (std::size_t i = 0; i < reply_length; ++i) {
        append_hex_pair(reply_data, reply[header_size + i]);
    }
    return true;
}

bool USB_protocol::fixed_command(std::uint8_t code, const std::uint8_t* data,
                                 std::uint8_t data_length) {
    clear_buffers();
    request[0] = frame_start;
    request[1] = frame_start;
    request[2] = static_cast<std::uint8_t>(data_length + 1);
    request[3] = code;
    for (std::size_t i = 0; i < data_length; ++i) {
        request[header_size + i] = data[i];
    }
    seal_panel_frame(data_length);
    if (!transact()) {
        return false;
    }
    const Reply_check check = check_fixed_reply(reply.data(), code);
    if (check == Reply_check::crc_mismatch) {
        report(message_crc);
        return false;
    }
    report(message_usb_frame);
    return check == Reply_check::valid;
}

bool USB_protocol::block_scan(std::uint8_t value) {
    return fixed_command(code_block_scan, &value, 1);
}

bool USB_protocol::start_scan(std::uint8_t value) {
    return fixed_command(code_start_scan, &value, 1);
}

bool USB_protocol::send_detector_request(const Detector_frame& detector_request) {
    return fixed_command(code_detector_request, detector_request.data(),
                         static_cast<std::uint8_t>(detector_request.size()));
}

bool USB_protocol::read_detector_reply(Detector_frame& detector_reply) {
    if (!fixed_command(code_detector_reply, nullptr, 0)) {
        return false;
    }
    for (std::size_t i = 0; i < detector_reply.size(); ++i) {
        detector_reply[i] = reply[header_size + i];
    }
    return true;
}

void USB_protocol::read_flags(Scan_flags& flags) const {
    for (std::size_t flag = 0; flag < flags.size(); ++flag) {
        const std::uint8_t bitmap_byte = reply[header_size + flag / 8];
        flags[flag] = static_cast<std::uint8_t>((bitmap_byte >> (flag % 8)) & 1);
    }
}

bool USB_protocol::read_scan_bitmap(Scan_flags& flags) {
    if (!fixed_command(code_scan_bitmap, nullptr, 0)) {
        return false;
    }
    read_flags(flags);
    return true;
}

bool USB_protocol::read_scan_bitmap_2(Scan_flags& flags) {
    if (!fixed_command(code_scan_bitmap_2, nullptr, 0)) {
        return false;
    }
    read_flags(flags);
    return true;
}
