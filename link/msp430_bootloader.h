#pragma once

#include "hid_communication.h"

#include <cstdint>
#include <string>

// Status codes of the bootloader operations. Callers treat every non-zero status alike.
namespace bootloader_status {
inline constexpr int ok = 0;
inline constexpr int timeout = 1;
inline constexpr int data_error = 2;
inline constexpr int crc_error = 3;
inline constexpr int usb_error = 4; // also: not connected
} // namespace bootloader_status

// The detector's bootloader behind the dongle: identity, word-pair reads and writes, segment
// erases. Each operation is one transaction (a 64-byte request report out, a 64-byte reply
// report back, a few attempts) judged into a status; outputs are written only on a judged
// success. Nothing here throws or talks to the user.
class MSP430_bootloader : public HID_communication {
public:
    // Sets the process-wide CMPL value that every request report carries, also those of
    // bootloader objects constructed earlier.
    explicit MSP430_bootloader(std::uint8_t cmpl);
    ~MSP430_bootloader() = default;
    MSP430_bootloader(const MSP430_bootloader&) = delete;
    MSP430_bootloader& operator=(const MSP430_bootloader&) = delete;

    int get_info(std::uint32_t& version, std::uint32_t& info);
    int read_2_words(std::uint16_t address, std::uint16_t& first, std::uint16_t& second);
    int write_2_words(std::uint16_t address, std::uint16_t first, std::uint16_t second);
    int erase_sector(std::uint16_t address);

    // `value` in lower-case hexadecimal, zero-filled to `digits`, behind "0x" when asked.
    static std::string hex_text(std::uint32_t value, int digits, bool with_prefix);
    // The first 16 bytes of a 64-byte report, each as two hex digits and a space.
    static std::string frame_text(const std::uint8_t* report64);

    // Its low byte addresses the detector; 0xFE, 0xFA and 0xFB are broadcasts.
    std::int32_t detector_address = 255;

private:
    struct Operation;
    struct Outcome;

    Outcome transact(const Operation& op, std::uint16_t address, std::uint16_t first,
                     std::uint16_t second);
    void trace_exchange(const std::uint8_t* request, const std::uint8_t* reply);

    // Report texts of the last traced request and reply.
    std::string tx_text;
    std::string rx_text;
};
