#include "sim_panel.h"

#include <algorithm>

namespace {

struct Lengths {
    std::uint8_t request;
    std::uint8_t reply;
};

// Data bytes of the generic commands, request and reply; codes not listed carry none.
Lengths generic_lengths(std::uint8_t code) {
    switch (code) {
    case 0x00:
        return {0, 2};
    case 0x01:
        return {2, 2};
    case 0x02:
        return {1, 2};
    case 0x03:
        return {16, 16};
    case 0x04:
        return {2, 16};
    case 0x05:
        return {14, 14};
    case 0x06:
        return {1, 14};
    case 0x07:
        return {25, 25};
    case 0x08:
        return {1, 25};
    case 0x09:
        return {3, 3};
    case 0x0A:
        return {1, 3};
    case 0x0B:
        return {5, 5};
    case 0x0C:
        return {5, 1};
    case 0x0D:
        return {3, 3};
    case 0x0E:
        return {0, 3};
    case 0x0F:
        return {3, 3};
    case 0x10:
        return {0, 3};
    case 0x1E:
        return {3, 0};
    case 0x20:
        return {4, 4};
    case 0x21:
        return {0, 4};
    case 0x30:
        return {0, 2};
    case 0x31:
        return {2, 12};
    case 0x35:
        return {26, 26};
    case 0xF0:
        return {22, 22};
    default:
        return {0, 0};
    }
}

// Fixed commands and the data bytes their requests carry.
std::optional<std::size_t> fixed_request_length(std::uint8_t code) {
    switch (code) {
    case Sim_panel::code_block_scan:
    case Sim_panel::code_start_scan:
        return 1;
    case Sim_panel::code_detector_request:
        return 9;
    case Sim_panel::code_detector_reply:
    case Sim_panel::code_scan_bitmap:
    case Sim_panel::code_scan_bitmap_2:
        return 0;
    default:
        return std::nullopt;
    }
}

Sim_panel::Answer refuse(std::uint8_t code, std::uint8_t error) {
    return {code, {}, error};
}

} // namespace

Sim_panel::Sim_panel(Sim_clock& clock) : clock(clock), scan_started(clock.now_ms()) {}

std::size_t Sim_panel::request_length(std::uint8_t code) const {
    const bool long_form = protocol_version > 5.2 && code == 0x07;
    return generic_lengths(code).request + (long_form ? 4 : 0);
}

std::size_t Sim_panel::reply_length(std::uint8_t code) const {
    const bool long_form = protocol_version > 5.2 && (code == 0x07 || code == 0x08);
    return generic_lengths(code).reply + (long_form ? 4 : 0);
}

void Sim_panel::set_generic_reply(std::uint8_t code, std::vector<std::uint8_t> data) {
    generic_replies[code] = std::move(data);
}

Sim_panel::Answer Sim_panel::handle(std::uint8_t code, const std::vector<std::uint8_t>& data) {
    if (code == code_password) {
        if (data.size() != request_length(code)) {
            return refuse(code, error_data_length);
        }
        return check_password(data);
    }
    if (login_required && !access) {
        return refuse(code, error_access);
    }
    const std::optional<std::size_t> fixed = fixed_request_length(code);
    if (data.size() != fixed.value_or(request_length(code))) {
        return refuse(code, error_data_length);
    }

    switch (code) {
    case code_block_scan:
        refresh_scan();
        scanning = false;
        return {code, {}, {}};
    case code_start_scan:
        refresh_scan();
        if (!scanning) {
            scanning = true;
            scan_started = clock.now_ms();
        }
        return {code, {}, {}};
    case code_detector_request: {
        Sim_detector_bytes request{};
        std::copy_n(data.begin(), request.size(), request.begin());
        tunnel_request = request;
        tunnel_reply = detectors.deliver(request);
        return {code, {}, {}};
    }
    case code_detector_reply: {
        const Sim_detector_bytes reply = tunnel_reply.value_or(Sim_detector_bytes{});
        return {code, std::vector<std::uint8_t>(reply.begin(), reply.end()), {}};
    }
    case code_scan_bitmap:
        return {code, bitmap_bytes(scan_bitmap()), {}};
    case code_scan_bitmap_2:
        refresh_scan();
        return {code, bitmap_bytes(lost), {}};
    default: {
        std::vector<std::uint8_t> reply = generic_replies[code];
        reply.resize(reply_length(code), 0);
        return {code, reply, {}};
    }
    }
}

Sim_panel::Answer Sim_panel::check_password(const std::vector<std::uint8_t>& data) {
    ++checks;
    const bool right = data[0] == access_granted && password.size() == 4 &&
                       std::equal(password.begin(), password.end(), data.begin() + 1);
    access = right;
    return {code_password, {right ? access_granted : access_denied}, {}};
}

std::bitset<Sim_loop::scan_flags> Sim_panel::scan_bitmap() {
    refresh_scan();
    return last_pass;
}

void Sim_panel::refresh_scan() {
    if (!scanning || clock.now_ms() < scan_started + scan_pass) {
        return;
    }
    detectors.settle();
    last_pass = detectors.answering();
    seen |= last_pass;
    lost = seen & ~last_pass;
}

std::vector<std::uint8_t> Sim_panel::bitmap_bytes(const std::bitset<Sim_loop::scan_flags>& flags) {
    std::vector<std::uint8_t> bytes(Sim_loop::scan_flags / 8, 0);
    for (std::size_t i = 0; i < flags.size(); ++i) {
        if (flags.test(i)) {
            bytes[i / 8] = static_cast<std::uint8_t>(bytes[i / 8] | (1u << (i % 8)));
        }
    }
    return bytes;
}
