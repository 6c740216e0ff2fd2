#pragma once

#include "detector_frame.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class HID_device_MCU;

// The frame protocol of the KMX12 interface module: one 64-byte request report, then one 64-byte
// reply report per transaction, no retries. Panel frames are 0x10 0x10, a length byte, the
// command code, the data and a CRC-16/ARC high byte first; the module probe is 0xF5 0x00.
class USB_protocol {
public:
    static constexpr std::size_t report_size = 64;
    static constexpr std::size_t detector_frame_size = detector_frame::size;
    static constexpr std::size_t scan_flag_count = 104;

    using Detector_frame = detector_frame::Frame;
    using Scan_flags = std::array<std::uint8_t, scan_flag_count>;

    // Fixed command codes.
    static constexpr std::uint8_t code_password = 12;
    static constexpr std::uint8_t code_block_scan = 0x70;
    static constexpr std::uint8_t code_start_scan = 0x71;
    static constexpr std::uint8_t code_detector_request = 0x72;
    static constexpr std::uint8_t code_detector_reply = 0x73;
    static constexpr std::uint8_t code_scan_bitmap = 0x74;
    static constexpr std::uint8_t code_scan_bitmap_2 = 0x75;

    // Diagnostics. The tool itself installs nothing here; tests and tools may watch the frames
    // and the outcome of every transaction without changing it.
    enum class Direction { request, reply };
    using Frame_dump_hook =
        std::function<void(Direction direction, const std::uint8_t* buffer, std::size_t size)>;
    using Message_hook = std::function<void(const std::string& message)>;

    // How a reply report was judged.
    enum class Reply_check {
        valid,
        module_error,  // generic command only: 0xAA in byte 0
        crc_mismatch,  // also a length byte that describes a frame longer than the report
        other_command, // fixed commands only: valid frame carrying another command code
    };

    explicit USB_protocol(double protocol_version);
    ~USB_protocol();
    USB_protocol(const USB_protocol&) = delete;
    USB_protocol& operator=(const USB_protocol&) = delete;

    bool open_module();
    bool probe_module();

    // Generic command. `parameters` is text of hexadecimal digit pairs; the reply's data is
    // appended to `reply_data` as upper-case digit pairs. `reply_code` is written after every
    // exchange that went through, whatever the checks say afterwards.
    bool send_command(std::uint8_t code, const std::string& parameters, std::uint8_t& reply_code,
                      std::string& reply_data);

    bool block_scan(std::uint8_t value);
    bool start_scan(std::uint8_t value);
    bool send_detector_request(const Detector_frame& request);
    // The outputs of the three reads below are written only when they return true.
    bool read_detector_reply(Detector_frame& reply);
    bool read_scan_bitmap(Scan_flags& flags);
    bool read_scan_bitmap_2(Scan_flags& flags);

    // Data bytes of a request with `code`, and of a reply carrying `code`, for this version.
    std::uint8_t request_data_length(std::uint8_t code) const {
        return request_data_length(code, protocol_version);
    }
    std::uint8_t reply_data_length(std::uint8_t code) const {
        return reply_data_length(code, protocol_version);
    }
    static std::uint8_t request_data_length(std::uint8_t code, double version);
    static std::uint8_t reply_data_length(std::uint8_t code, double version);

    // The two reply validations on a 64-byte reply report. Neither reads outside the report.
    static Reply_check check_generic_reply(const std::uint8_t* reply, std::uint8_t data_length);
    static Reply_check check_fixed_reply(const std::uint8_t* reply, std::uint8_t command);

    void set_frame_dump_hook(Frame_dump_hook hook) { frame_dump_hook = std::move(hook); }
    void set_message_hook(Message_hook hook) { message_hook = std::move(hook); }

private:
    void clear_buffers();
    void seal_panel_frame(std::uint8_t data_length);
    bool transact();
    bool fixed_command(std::uint8_t code, const std::uint8_t* data, std::uint8_t data_length);
    void read_flags(Scan_flags& flags) const;
    void report(const char* message) const;

    std::array<std::uint8_t, report_size> request{};
    std::array<std::uint8_t, report_size> reply{};
    std::unique_ptr<HID_device_MCU> module_device;
    double protocol_version;
    bool module_open = false;
    Frame_dump_hook frame_dump_hook;
    Message_hook message_hook;
};
