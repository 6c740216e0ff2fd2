#pragma once

#include "hid_device_opener.h"

#include <cstdint>
#include <functional>
#include <string>

// One HID device of the dongle: found by a fragment of its hardware ID, opened with a write and
// a read handle, and moving 64-byte reports behind report ID 0. Its step texts go to the hook
// `log`, which discards them; tests watch them through a log observer.
class HID_device {
public:
    using Log_observer = std::function<void(const std::string& text)>;

    HID_device();
    ~HID_device();
    HID_device(const HID_device&) = delete;
    HID_device& operator=(const HID_device&) = delete;
    HID_device(HID_device&&) = delete;
    HID_device& operator=(HID_device&&) = delete;

    // true when a present HID interface matched and both handles are open. `non_blocking`
    // chooses overlapped handles and the time-limited transfers.
    bool search(const std::string& fragment, bool non_blocking);

    // `data` is 64 bytes.
    bool send(const std::uint8_t* data, bool trace);
    // `destination` is 64 bytes and is filled in every case.
    bool receive(std::uint8_t* destination, bool trace);

    // Test seam: sees every text handed to `log`. Null (the default) sees nothing. Returns the
    // observer installed before.
    static Log_observer set_log_observer(Log_observer observer);

private:
    static constexpr std::uint32_t report_bytes = 65;
    static constexpr std::uint32_t pre_transfer_pause_ms = 25;
    static constexpr std::uint32_t poll_limit = 250;

    // How one report went: the platform's result (0 failed) and, for an overlapped transfer,
    // how often its record was looked at.
    struct Transfer {
        std::uint32_t result;
        std::uint32_t looks;
    };

    static void log(const std::string& text);
    // One report out of `out_report` or into `in_report`, overlapped with its time limit or
    // plain, as the handles were opened.
    Transfer transfer(bool write, std::uint32_t& count);

    HID_device_opener opener;
    bool non_blocking = false;
    std::uint8_t out_report[report_bytes] = {};
    std::uint8_t in_report[report_bytes] = {};
    std::uint32_t write_result = 0;
    std::uint32_t read_result = 0;
};
