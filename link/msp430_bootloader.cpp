#include "msp430_bootloader.h"

#include "detector_frame.h"
#include "hex_text.h"
#include "link_status.h"
#include "os_api.h"
#include "trace_file.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

using Report = MSP430_bootloader::Report;
namespace frame = detector_frame;

constexpr std::uint8_t request_marker = 0x0A;
constexpr std::uint8_t reply_marker = 0x0B;
// The detector's frame follows the marker byte in both reports.
constexpr std::size_t frame_offset = 1;
// After the detector's frame the request report carries three bytes of the dongle's own: a fixed
// 0x01 0xF4, then the CMPL value of the process.
constexpr std::size_t dongle_bytes_at = frame_offset + frame::size;
constexpr std::uint8_t dongle_byte_1 = 0x01;
constexpr std::uint8_t dongle_byte_2 = 0xF4;
constexpr std::size_t cmpl_at = dongle_bytes_at + 2;
constexpr std::uint32_t broadcast_pause_ms = 50;

// One for the whole process: each new bootloader object overwrites it, and every request report
// carries it, whichever object builds the request.
std::uint8_t process_cmpl = 0;

bool is_broadcast(std::uint8_t address) {
    return address == 0xFE || address == 0xFA || address == 0xFB;
}

frame::Frame carried_frame(const Report& report) {
    frame::Frame carried{};
    std::copy_n(report.begin() + frame_offset, carried.size(), carried.begin());
    return carried;
}

// The flash segment as the bootloader's lines name it. The subtraction wraps on purpose: an
// information-flash address below 0xC000 comes out as a large number (0x1040 gives 8388520).
std::string sector_text(std::uint16_t address) {
    const std::uint32_t offset = static_cast<std::uint32_t>(address) - 0xC000u;
    return std::to_string(static_cast<std::int32_t>(offset >> 9));
}

} // namespace

// How one operation runs its attempts and words the lines of the checks after them. A line is
// its row's text followed by the operation's subject (word address, sector number or nothing).
struct MSP430_bootloader::Operation {
    enum class Kind { read, write, erase, get_info };
    Kind kind;
    std::uint8_t command;
    int attempts;
    bool traced_transfers;
    bool broadcast_unjudged;
    bool attempt_lines;
    bool rejection_needs_echo;
    const char* usb_error;
    const char* timeout;
    const char* broadcast;
    const char* no_marker;
    const char* bad_crc;
    const char* rejected;
    const char* wrong_command;
    const char* wrong_echo; // null: no line
};

struct MSP430_bootloader::Exchange {
    bool sent = false;
    bool received = false;
    Report reply{};
};

struct MSP430_bootloader::Outcome {
    int status;
    bool has_result; // the reply passed every check and the outputs may be taken from it
    detector_frame::Frame reply;
};

MSP430_bootloader::MSP430_bootloader(std::uint8_t cmpl, std::int32_t detector_address)
    : detector_address(detector_address) {
    process_cmpl = cmpl;
}

int MSP430_bootloader::get_info(std::uint32_t& version, std::uint32_t& info) {
    static constexpr Operation op{
        .kind = Operation::Kind::get_info,
        .command = frame::command_get_info,
        .attempts = 2,
        .traced_transfers = true,
        .broadcast_unjudged = false,
        .attempt_lines = false,
        .rejection_needs_echo = false,
        .usb_error = "usb error at get info",
        .timeout = "timeout error at get info",
        .broadcast = nullptr,
        .no_marker = "data error at get info",
        .bad_crc = "crc error at get info",
        .rejected = "scan crc error at get info",
        .wrong_command = "scan data error at get info",
        .wrong_echo = "scan data error at get info",
    };
    const Outcome outcome = transact(op, 0, 0, 0);
    if (outcome.has_result) {
        version = outcome.reply[frame::version_at];
        info = frame::word(outcome.reply, frame::information_at);
    }
    return outcome.status;
}

int MSP430_bootloader::read_2_words(std::uint16_t address, std::uint16_t& first,
                                    std::uint16_t& second) {
    static constexpr Operation op{
        .kind = Operation::Kind::read,
        .command = frame::command_read,
        .attempts = 3,
        .traced_transfers = false,
        .broadcast_unjudged = true,
        .attempt_lines = true,
        .rejection_needs_echo = true,
        .usb_error = "usb data error reading 2 words at address ",
        .timeout = "timeout error reading 2 words at address ",
        .broadcast = "no data due to broadcast reading 2 words at address ",
        .no_marker = "no data error reading 2 words at address ",
        .bad_crc = "crc error reading 2 words at address ",
        .rejected = "scan crc error reading 2 words at address ",
        .wrong_command = "other data error reading 2 words at address ",
        .wrong_echo = "scan data error reading 2 words at address ",
    };
    const Outcome outcome = transact(op, address, 0, 0);
    if (outcome.has_result) {
        first = frame::word(outcome.reply, frame::first_at);
        second = frame::word(outcome.reply, frame::second_at);
    }
    return outcome.status;
}

int MSP430_bootloader::write_2_words(std::uint16_t address, std::uint16_t first,
                                     std::uint16_t second) {
    static constexpr Operation op{
        .kind = Operation::Kind::write,
        .command = frame::command_write,
        .attempts = 3,
        .traced_transfers = false,
        .broadcast_unjudged = true,
        .attempt_lines = true,
        .rejection_needs_echo = true,
        .usb_error = "usb data error writing 2 words at address ",
        .timeout = "timeout error writing 2 words at address ",
        .broadcast = "no data due to broadcast writing 2 words at address ",
        .no_marker = "no data error writing 2 words at address ",
        .bad_crc = "crc error writing 2 words at address ",
        .rejected = "scan crc error writing 2 words at address ",
        .wrong_command = "scan data error writing 2 words at address ",
        .wrong_echo = "data error writing 2 words at address ",
    };
    return transact(op, address, first, second).status;
}

int MSP430_bootloader::erase_sector(std::uint16_t address) {
    static constexpr Operation op{
        .kind = Operation::Kind::erase,
        .command = frame::command_erase,
        .attempts = 3,
        .traced_transfers = false,
        .broadcast_unjudged = true,
        .attempt_lines = false,
        .rejection_needs_echo = false,
        .usb_error = "usb error ereasing sector ",
        .timeout = "timeout error ereasing sector ",
        .broadcast = "no scan data due to broadcast in ereasing sector ",
        .no_marker = "scan data error ereasing sector ",
        .bad_crc = "crc error ereasing sector ",
        .rejected = "scan crc error ereasing sector ",
        .wrong_command = "scan data error ereasing sector ",
        .wrong_echo = nullptr,
    };
    return transact(op, address, 0, 0).status;
}

std::string MSP430_bootloader::frame_text(const std::uint8_t* report64) {
    std::string text;
    text.reserve(48);
    for (int i = 0; i < 16; ++i) {
        text += hex_text(report64[i], 2, false);
        text += ' ';
    }
    return text;
}

void MSP430_bootloader::trace_exchange(const std::uint8_t* request, const std::uint8_t* reply) {
    tx_text = frame_text(request);
    rx_text = frame_text(reply);
    append_trace_line("tx: " + tx_text);
    append_trace_line("rx: " + rx_text);
}

MSP430_bootloader::Outcome MSP430_bootloader::transact(const Operation& op, std::uint16_t address,
                                                       std::uint16_t first, std::uint16_t second) {
    if (!connected) {
        return {link_status::usb_error, false, {}};
    }
    if (op.kind == Operation::Kind::get_info) {
        append_trace_line("msp430 get info");
    }
    const Report request = build_request(op.command, address, first, second);
    // A broadcast has no single detector to answer it, so whatever comes back is not judged.
    const bool unjudged =
        op.broadcast_unjudged && is_broadcast(request[frame_offset + frame::address_at]);
    const Exchange exchange = run_attempts(op, request, unjudged);
    const Check check = judge(op, exchange, unjudged, address, first, second);
    trace_outcome(op, check, request, exchange.reply, address, first, second);
    if (check == Check::broadcast) {
        os_api().sleep_ms(broadcast_pause_ms);
    }
    return {status_of(check), check == Check::accepted, carried_frame(exchange.reply)};
}

Report MSP430_bootloader::build_request(std::uint8_t command, std::uint16_t address,
                                        std::uint16_t first, std::uint16_t second) const {
    Report request{};
    request[0] = request_marker;
    const frame::Frame carried = frame::request(static_cast<std::uint8_t>(detector_address & 0xFF),
                                                command, address, first, second);
    std::copy(carried.begin(), carried.end(), request.begin() + frame_offset);
    request[dongle_bytes_at] = dongle_byte_1;
    request[dongle_bytes_at + 1] = dongle_byte_2;
    request[cmpl_at] = process_cmpl;
    return request;
}

MSP430_bootloader::Exchange MSP430_bootloader::run_attempts(const Operation& op,
                                                            const Report& request, bool unjudged) {
    Exchange exchange;
    for (int attempt = 1; attempt <= op.attempts; ++attempt) {
        exchange.sent = device->send(request.data(), op.traced_transfers);
        exchange.received = device->receive(exchange.reply.data(), op.traced_transfers);
        if (unjudged) {
            break;
        }
        const frame::Frame reply = carried_frame(exchange.reply);
        const bool crc_ok = frame::crc_matches(reply);
        const bool accepted = crc_ok && (op.kind == Operation::Kind::get_info
                                             ? reply[frame::info_marker_at] == frame::info_marker
                                             : reply[frame::command_at] == op.command);
        if (accepted) {
            if (op.kind == Operation::Kind::read) {
                trace_exchange(request.data(), exchange.reply.data());
            }
            break;
        }
        if (op.attempt_lines) {
            append_trace_line(crc_ok ? "data error: " : "CRC error: ");
            trace_exchange(request.data(), exchange.reply.data());
            append_trace_line("retry...");
        }
    }
    return exchange;
}

// Only the last attempt is judged, first matching check first.
MSP430_bootloader::Check MSP430_bootloader::judge(const Operation& op, const Exchange& exchange,
                                                  bool unjudged, std::uint16_t address,
                                                  std::uint16_t first, std::uint16_t second) {
    if (!exchange.sent) {
        return Check::usb_error;
    }
    if (!exchange.received) {
        return Check::timeout;
    }
    if (unjudged) {
        return Check::broadcast;
    }
    if (exchange.reply[0] != reply_marker) {
        return Check::no_marker;
    }
    const frame::Frame reply = carried_frame(exchange.reply);
    if (!frame::crc_matches(reply)) {
        return Check::bad_crc;
    }
    const bool rejected = op.rejection_needs_echo ? frame::is_rejection(reply)
                                                  : reply[frame::command_at] == frame::rejected;
    if (rejected) {
        return Check::rejected;
    }
    if (reply[frame::command_at] != op.command) {
        return Check::wrong_command;
    }
    bool echo_ok = true;
    switch (op.kind) {
    case Operation::Kind::get_info:
        echo_ok = reply[frame::info_marker_at] == frame::info_marker;
        break;
    case Operation::Kind::read:
    case Operation::Kind::erase:
        echo_ok = frame::word(reply, frame::word_at) == address;
        break;
    case Operation::Kind::write:
        echo_ok = frame::word(reply, frame::word_at) == address &&
                  frame::word(reply, frame::first_at) == first &&
                  frame::word(reply, frame::second_at) == second;
        break;
    }
    return echo_ok ? Check::accepted : Check::wrong_echo;
}

int MSP430_bootloader::status_of(Check check) {
    switch (check) {
    case Check::usb_error:
        return link_status::usb_error;
    case Check::timeout:
        return link_status::no_reply;
    case Check::no_marker:
    case Check::wrong_command:
    case Check::wrong_echo:
        return link_status::data_error;
    case Check::bad_crc:
    case Check::rejected:
        return link_status::crc_error;
    case Check::broadcast:
    case Check::accepted:
        break;
    }
    return link_status::ok;
}

void MSP430_bootloader::trace_outcome(const Operation& op, Check check, const Report& request,
                                      const Report& reply, std::uint16_t address,
                                      std::uint16_t first, std::uint16_t second) {
    // A line is its row's text followed by the word address, the sector number or nothing.
    std::string subject;
    if (op.kind == Operation::Kind::read || op.kind == Operation::Kind::write) {
        subject = hex_text(address, 4, true);
    } else if (op.kind == Operation::Kind::erase) {
        subject = sector_text(address);
    }

    const char* line = nullptr;
    switch (check) {
    case Check::usb_error:
        line = op.usb_error;
        break;
    case Check::timeout:
        line = op.timeout;
        break;
    case Check::broadcast:
        line = op.broadcast;
        break;
    case Check::no_marker:
        line = op.no_marker;
        break;
    case Check::bad_crc:
        line = op.bad_crc;
        break;
    case Check::rejected:
        line = op.rejected;
        break;
    case Check::wrong_command:
        line = op.wrong_command;
        break;
    case Check::wrong_echo:
        line = op.wrong_echo;
        break;
    case Check::accepted:
        trace_success(op, carried_frame(reply), subject, first, second);
        return;
    }
    if (line != nullptr) {
        append_trace_line(line + subject);
    }
    if (check == Check::broadcast && op.kind == Operation::Kind::read) {
        trace_exchange(request.data(), reply.data());
    }
}

void MSP430_bootloader::trace_success(const Operation& op, const detector_frame::Frame& reply,
                                      const std::string& subject, std::uint16_t first,
                                      std::uint16_t second) {
    switch (op.kind) {
    case Operation::Kind::get_info:
        append_trace_line("OK at get info");
        break;
    case Operation::Kind::read:
        append_trace_line(
            "OK reading 2 words (" + hex_text(frame::word(reply, frame::first_at), 4, true) + ", " +
            hex_text(frame::word(reply, frame::second_at), 4, true) + ") at address " + subject);
        break;
    case Operation::Kind::write:
        append_trace_line("OK writing 2 words (" + hex_text(first, 4, true) + ", " +
                          hex_text(second, 4, true) + ") at address " + subject);
        break;
    case Operation::Kind::erase:
        append_trace_line("OK ereasing sector " + subject);
        break;
    }
}
