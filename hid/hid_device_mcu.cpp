#include "hid_device_mcu.h"

#include "hardware_ids.h"

#include "overlapped_poll.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

namespace {

constexpr std::uint32_t all_bits = 0xFFFFFFFFu;

void write_out(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

// A step text waits for its outcome on the same line; every other text ends its line.
void print_text(const std::string& text, bool outcome_follows) {
    write_out(outcome_follows ? text : text + "\n");
}

// "[0]245 [1]0 ..." - the index and the byte as unsigned decimal numbers. Two of these go out
// with every exchange, so they are composed in place rather than from 128 small strings.
std::string dump(const std::uint8_t* bytes, std::uint32_t count) {
    std::string line;
    line.reserve(std::size_t{count} * std::size("[63]255 "));
    char number[16];
    for (std::uint32_t j = 0; j < count; ++j) {
        line += '[';
        line.append(number, std::to_chars(number, std::end(number), j).ptr);
        line += ']';
        line.append(number, std::to_chars(number, std::end(number), unsigned{bytes[j]}).ptr);
        line += ' ';
    }
    return line;
}

std::string outcome(std::uint32_t result, std::uint32_t count) {
    return (result != 0 ? "OK [" : "Error [") + std::to_string(count) + "]\n";
}

} // namespace

HID_device_MCU::HID_device_MCU() : opener(print_text) {}

HID_device_MCU::~HID_device_MCU() = default;

bool HID_device_MCU::search() {
    return opener.search(hardware_ids::module, true, false);
}

bool HID_device_MCU::transfer(Os_handle handle, bool write, std::uint32_t& count) {
    Os_api& os = os_api();
    event = os.create_event();
    completion_record = {};
    completion_record.hEvent = event;
    if (write) {
        os.write_file(handle, out_report, report_bytes, &count, &completion_record);
    } else {
        os.read_file(handle, in_report, report_bytes, &count, &completion_record);
    }
    // The record is settled when the wait returns, so the next transfer may reuse it.
    const bool ended = Overlapped_poll::wait(handle, completion_record, poll_limit).ended;
    if (event != 0) {
        os.close_handle(event);
        event = 0;
    }
    return ended;
}

bool HID_device_MCU::exchange(const std::uint8_t* source, std::uint8_t* destination, bool trace) {
    out_report[0] = 0;
    in_report[0] = 0;
    if (trace) {
        write_out("HID device sending...");
    }
    std::memcpy(out_report + 1, source, report_bytes - 1);
    std::memset(in_report + 1, 0, report_bytes - 1);

    std::uint32_t write_count = 0;
    write_result = transfer(opener.write_handle(), true, write_count) ? all_bits : 0u;
    if (trace) {
        // The request's dump and the announcement of the read are due at the same moment.
        write_out(outcome(write_result, write_count) + dump(source, report_bytes - 1) +
                  "\nHID device receiving...");
    }

    // The answer is read even when the request was not taken, as the module may still answer.
    std::uint32_t read_count = 0;
    read_result = transfer(opener.read_handle(), false, read_count) ? all_bits : 0u;
    std::memcpy(destination, in_report + 1, report_bytes - 1);
    if (trace) {
        // No line end after the dump: the next output continues the line.
        write_out(outcome(read_result, read_count) + dump(destination, report_bytes - 1));
    }
    return write_result != 0 && read_result != 0;
}
