#include "msp430_bootloader.h"

#include "checksums.h"
#include "os_api.h"
#include "trace_file.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

using Report = std::array<std::uint8_t, 64>;

constexpr std::uint8_t request_marker = 0x0A;
constexpr std::uint8_t reply_marker = 0x0B;
constexpr std::uint8_t rejected_command = 0xCE;
constexpr std::uint8_t rejected_echo = 0xEA;
constexpr std::uint8_t info_marker = 0x85;
constexpr std::uint32_t broadcast_pause_ms = 50;

// One for the whole process: each new bootloader object overwrites it, and every request report
// carries it, whichever object builds the request.
std::uint8_t process_cmpl = 0;

bool is_broadcast(std::uint8_t address) {
    return address == 0xFE || address == 0xFA || address == 0xFB;
}

void put_word(Report& report, std::size_t at, std::uint16_t value) {
    report[at] = static_cast<std::uint8_t>(value & 0xFF);
    report[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

std::uint16_t word_at(const Report& report, std::size_t at) {
    return static_cast<std::uint16_t>(report[at] | (report[at + 1] << 8));
}

// Bytes 1 to 8 are the detector's 9-byte frame without its CRC-8, which is byte 9.
bool crc_matches(const Report& report) {
    return crc8_maxim(&report[1], 8) == report[9];
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

struct MSP430_bootloader::Outcome {
    int status;
    bool has_result; // the reply passed every check and the outputs may be taken from it
    Report reply;
};

MSP430_bootloader::MSP430_bootloader(std::uint8_t cmpl) {
    process_cmpl = cmpl;
}

int MSP430_bootloader::get_info(std::uint32_t& version, std::uint32_t& info) {
    static constexpr Operation op{
        .kind = Operation::Kind::get_info,
        .command = 0x55,
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
        version = outcome.reply[4];
        info = word_at(outcome.reply, 5);
    }
    return outcome.status;
}

int MSP430_bootloader::read_2_words(std::uint16_t address, std::uint16_t& first,
                                    std::uint16_t& second) {
    static constexpr Operation op{
        .kind = Operation::Kind::read,
        .command = 0xBB,
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
        first = word_at(outcome.reply, 5);
        second = word_at(outcome.reply, 7);
    }
    return outcome.status;
}

int MSP430_bootloader::write_2_words(std::uint16_t address, std::uint16_t first,
                                     std::uint16_t second) {
    static constexpr Operation op{
        .kind = Operation::Kind::write,
        .command = 0xAA,
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
        .command = 0xDD,
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

std::string MSP430_bootloader::hex_text(std::uint32_t value, int digits, bool with_prefix) {
    static constexpr char hex_digits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), hex_digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (static_cast<int>(text.size()) < digits) {
        text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
    }
    return with_prefix ? "0x" + text : text;
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
    using Kind = Operation::Kind;
    Outcome outcome{bootloader_status::usb_error, false, {}};
    if (!connected) {
        return outcome;
    }
    Report request{};
    Report& reply = outcome.reply;
    if (op.kind == Kind::get_info) {
        append_trace_line("msp430 get info");
    }

    request[0] = request_marker;
    request[1] = static_cast<std::uint8_t>(detector_address & 0xFF);
    request[2] = op.command;
    put_word(request, 3, address);
    put_word(request, 5, first);
    put_word(request, 7, second);
    request[9] = crc8_maxim(&request[1], 8);
    request[10] = 0x01;
    request[11] = 0xF4;
    request[12] = process_cmpl;

    // A broadcast has no single detector to answer it, so whatever comes back is not judged.
    const bool unjudged = op.broadcast_unjudged && is_broadcast(request[1]);
    bool sent = false;
    bool received = false;
    for (int attempt = 1; attempt <= op.attempts; ++attempt) {
        sent = device->send(request.data(), op.traced_transfers);
        received = device->receive(reply.data(), op.traced_transfers);
        if (unjudged) {
            break;
        }
        const bool crc_ok = crc_matches(reply);
        const bool accepted = crc_ok && (op.kind == Kind::get_info ? reply[3] == info_marker
                                                                   : reply[2] == op.command);
        if (accepted) {
            if (op.kind == Kind::read) {
                trace_exchange(request.data(), reply.data());
            }
            break;
        }
        if (op.attempt_lines) {
            append_trace_line(crc_ok ? "data error: " : "CRC error: ");
            trace_exchange(request.data(), reply.data());
            append_trace_line("retry...");
        }
    }

    // Only the last attempt is judged, first matching check first.
    std::string subject;
    if (op.kind == Kind::read || op.kind == Kind::write) {
        subject = hex_text(address, 4, true);
    } else if (op.kind == Kind::erase) {
        subject = sector_text(address);
    }
    auto finish = [&](int status, const char* text) {
        if (text != nullptr) {
            append_trace_line(text + subject);
        }
        outcome.status = status;
        return outcome;
    };

    if (!sent) {
        return finish(bootloader_status::usb_error, op.usb_error);
    }
    if (!received) {
        return finish(bootloader_status::timeout, op.timeout);
    }
    if (unjudged) {
        append_trace_line(op.broadcast + subject);
        if (op.kind == Kind::read) {
            trace_exchange(request.data(), reply.data());
        }
        os_api().sleep_ms(broadcast_pause_ms);
        return finish(bootloader_status::ok, nullptr);
    }
    if (reply[0] != reply_marker) {
        return finish(bootloader_status::data_error, op.no_marker);
    }
    if (!crc_matches(reply)) {
        return finish(bootloader_status::crc_error, op.bad_crc);
    }
    if (reply[2] == rejected_command &&
        (!op.rejection_needs_echo || (reply[3] == rejected_echo && reply[4] == rejected_echo))) {
        return finish(bootloader_status::crc_error, op.rejected);
    }
    if (reply[2] != op.command) {
        return finish(bootloader_status::data_error, op.wrong_command);
    }
    bool echo_ok = true;
    switch (op.kind) {
    case Kind::get_info:
        echo_ok = reply[3] == info_marker;
        break;
    case Kind::read:
    case Kind::erase:
        echo_ok = word_at(reply, 3) == address;
        break;
    case Kind::write:
        echo_ok = word_at(reply, 3) == address && word_at(reply, 5) == first &&
                  word_at(reply, 7) == second;
        break;
    }
    if (!echo_ok) {
        return finish(bootloader_status::data_error, op.wrong_echo);
    }

    outcome.has_result = true;
    switch (op.kind) {
    case Kind::get_info:
        append_trace_line("OK at get info");
        break;
    case Kind::read:
        append_trace_line("OK reading 2 words (" + hex_text(word_at(reply, 5), 4, true) + ", " +
                          hex_text(word_at(reply, 7), 4, true) + ") at address " + subject);
        break;
    case Kind::write:
        append_trace_line("OK writing 2 words (" + hex_text(first, 4, true) + ", " +
                          hex_text(second, 4, true) + ") at address " + subject);
        break;
    case Kind::erase:
        append_trace_line("OK ereasing sector " + subject);
        break;
    }
    outcome.status = bootloader_status::ok;
    return outcome;
}
