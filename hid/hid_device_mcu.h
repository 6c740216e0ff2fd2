#pragma once

#include "hid_device_opener.h"
#include "os_api.h"

#include <cstdint>

// The HID device of the interface module: found by its fixed hardware-ID fragment, always
// opened for overlapped transfers, and used one request-and-answer pair at a time. Unlike the
// dongle's device it writes its step texts, and when tracing the bytes it moves, to standard
// output.
class HID_device_MCU {
public:
    HID_device_MCU();
    ~HID_device_MCU();
    HID_device_MCU(const HID_device_MCU&) = delete;
    HID_device_MCU& operator=(const HID_device_MCU&) = delete;
    HID_device_MCU(HID_device_MCU&&) = delete;
    HID_device_MCU& operator=(HID_device_MCU&&) = delete;

    // true when a present HID interface whose first hardware-ID string contains
    // "VID_ABCD&PID_0003" was found and both handles are open.
    bool search();

    // Writes the 64 bytes of `source`, then reads 64 bytes into `destination`, which is filled
    // in every case. true when both transfers succeeded.
    bool exchange(const std::uint8_t* source, std::uint8_t* destination, bool trace);

private:
    static constexpr std::uint32_t report_bytes = 65;
    static constexpr std::uint32_t poll_limit = 500;

    // One overlapped transfer on the object's completion record; false when it was cancelled.
    bool transfer(Os_handle handle, bool write, std::uint32_t& count);

    HID_device_opener opener;
    std::uint8_t out_report[report_bytes] = {};
    std::uint8_t in_report[report_bytes] = {};
    std::uint32_t write_result = 0;
    std::uint32_t read_result = 0;
    Os_overlapped completion_record{};
    Os_handle event = 0;
};
