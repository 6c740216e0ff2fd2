#pragma once

#include "detector_frame.h"
#include "hid_communication.h"

#include <array>
#include <cstdint>
#include <string>

// The detector's bootloader behind the dongle: identity, word-pair reads and writes, segment
// erases. Each operation is one transaction (a 64-byte request report out, a 64-byte reply
// report back, a few attempts) judged into a status; outputs are written only on a judged
// success; statuses are those of link_status.h. Nothing here throws or talks to the user.
class MSP430_bootloader : public HID_communication {
public:
    using Report = std::array<std::uint8_t, 64>;

    // Sets the process-wide CMPL value that every request report carries, also those of
    // bootloader objects constructed earlier. Only the low byte of `detector_address` travels;
    // 0xFE, 0xFA and 0xFB are broadcasts.
    explicit MSP430_bootloader(std::uint8_t cmpl, std::int32_t detector_address = 255);
    ~MSP430_bootloader() = default;
    MSP430_bootloader(const MSP430_bootloader&) = delete;
    MSP430_bootloader& operator=(const MSP430_bootloader&) = delete;

    int get_info(std::uint32_t& version, std::uint32_t& info);
    int read_2_words(std::uint16_t address, std::uint16_t& first, std::uint16_t& second);
    int write_2_words(std::uint16_t address, std::uint16_t first, std::uint16_t second);
    int erase_sector(std::uint16_t address);

    // The first 16 bytes of a 64-byte report, each as two hex digits and a space.
    static std::string frame_text(const std::uint8_t* report64);

private:
    struct Operation;
    struct Exchange;
    struct Outcome;
    // Which check of the judged reply decided the outcome.
    enum class Check {
        usb_error,
        timeout,
        broadcast,
        no_marker,
        bad_crc,
        rejected,
        wrong_command,
        wrong_echo,
        accepted
    };

    Outcome transact(const Operation& op, std::uint16_t address, std::uint16_t first,
                     std::uint16_t second);
    Report build_request(std::uint8_t command, std::uint16_t address, std::uint16_t first,
                         std::uint16_t second) const;
    Exchange run_attempts(const Operation& op, const Report& request, bool unjudged);
    static Check judge(const Operation& op, const Exchange& exchange, bool unjudged,
                       std::uint16_t address, std::uint16_t first, std::uint16_t second);
    static int status_of(Check check);
    void trace_outcome(const Operation& op, Check check, const Report& request, const Report& reply,
                       std::uint16_t address, std::uint16_t first, std::uint16_t second);
    void trace_success(const Operation& op, const detector_frame::Frame& reply,
                       const std::string& subject, std::uint16_t first, std::uint16_t second);
    void trace_exchange(const std::uint8_t* request, const std::uint8_t* reply);

    const std::int32_t detector_address;

    // Report texts of the last traced request and reply.
    std::string tx_text;
    std::string rx_text;
};
