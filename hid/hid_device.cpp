#include "hid_device.h"

#include "overlapped_poll.h"

#include <cstring>
#include <utility>

namespace {

HID_device::Log_observer& log_observer() {
    static HID_device::Log_observer observer;
    return observer;
}

constexpr std::uint32_t all_bits = 0xFFFFFFFFu;

} // namespace

HID_device::Log_observer HID_device::set_log_observer(Log_observer observer) {
    return std::exchange(log_observer(), std::move(observer));
}

void HID_device::log(const std::string& text) {
    // The dongle's device writes its texts nowhere.
    if (log_observer()) {
        log_observer()(text);
    }
}

HID_device::HID_device() : opener([](const std::string& text, bool) { log(text); }) {}

HID_device::~HID_device() = default;

bool HID_device::search(const std::string& fragment, bool nb) {
    non_blocking = nb;
    return opener.search(fragment, nb, nb);
}

bool HID_device::send(const std::uint8_t* data, bool trace) {
    os_api().sleep_ms(pre_transfer_pause_ms);
    out_report[0] = 0;
    in_report[0] = 0;
    std::memcpy(out_report + 1, data, report_bytes - 1);
    std::memset(in_report + 1, 0, report_bytes - 1);
    if (trace) {
        log("HID device sending...");
    }
    std::uint32_t count = report_bytes;
    write_result = transfer(true, count).result;
    if (trace) {
        log((write_result != 0 ? "OK [" : "Error [") + std::to_string(count) + "]");
    }
    return write_result != 0;
}

bool HID_device::receive(std::uint8_t* destination, bool trace) {
    os_api().sleep_ms(pre_transfer_pause_ms);
    in_report[0] = 0;
    std::memset(in_report + 1, 0, report_bytes - 1);
    if (trace) {
        log("HID device receiving...");
    }
    std::uint32_t count = report_bytes;
    const Transfer transferred = transfer(false, count);
    read_result = transferred.result;
    if (trace && non_blocking) {
        log("HID device receiving counter = " + std::to_string(transferred.looks));
    }
    if (trace) {
        log((read_result != 0 ? "OK [" : "Error [") + std::to_string(count) + "]");
    }
    std::memcpy(destination, in_report + 1, report_bytes - 1);
    return read_result != 0;
}

HID_device::Transfer HID_device::transfer(bool write, std::uint32_t& count) {
    Os_api& os = os_api();
    const Os_handle handle = write ? opener.write_handle() : opener.read_handle();
    if (!non_blocking) {
        const bool done = write ? os.write_file(handle, out_report, report_bytes, &count, nullptr)
                                : os.read_file(handle, in_report, report_bytes, &count, nullptr);
        return {done ? 1u : 0u, 0};
    }
    const Os_handle event = os.create_event();
    Os_overlapped record{};
    record.hEvent = event;
    // Whether the transfer started is read from the record alone: a refused one keeps the
    // pending status and runs into the limit.
    if (write) {
        os.write_file(handle, out_report, report_bytes, &count, &record);
    } else {
        os.read_file(handle, in_report, report_bytes, &count, &record);
    }
    const Overlapped_poll::Outcome outcome = Overlapped_poll::wait(handle, record, poll_limit);
    if (event != 0) {
        os.close_handle(event);
    }
    return {outcome.ended ? all_bits : 0u, outcome.looks};
}
