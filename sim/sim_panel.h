#pragma once

#include "sim_clock.h"
#include "sim_loop.h"

#include <bitset>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The PNX30 fire panel behind the interface module: answers panel frames by command code.
//
// - 12, password check: data 0x04 and four ASCII digits; the answer is one byte, 0x04 (access
//   level 4, configuration) for the right password and 0x00 for anything else.
// - 0x71 start scan, 0x70 block scan (one byte each): the panel scans its loop while not
//   blocked; a scan pass takes scan_pass_ms, and from then on the bitmap shows the detectors
//   that answer. Blocking freezes the bitmap. The panel scans from power-on.
// - 0x74: 13 bytes, flag i (bit i % 8 of byte i / 8) set when a detector answers at address i.
// - 0x75: 13 bytes, the detectors lost: seen by an earlier pass, silent in the last one.
// - 0x72: a 9-byte detector request, passed to the loop at once; 0x73: the reply heard, or
//   nine zero bytes when no detector answered.
// - Other codes: data of the lengths in the module protocol's tables; the answer is the bytes
//   a test set with set_generic_reply, zero-filled or cut to the table's reply length.
// A request with a data length the panel does not expect, or (with login required) any command
// but 12 before a right password, gets a module error reply.
class Sim_panel {
public:
    static constexpr std::uint8_t code_password = 12;
    static constexpr std::uint8_t code_block_scan = 0x70;
    static constexpr std::uint8_t code_start_scan = 0x71;
    static constexpr std::uint8_t code_detector_request = 0x72;
    static constexpr std::uint8_t code_detector_reply = 0x73;
    static constexpr std::uint8_t code_scan_bitmap = 0x74;
    static constexpr std::uint8_t code_scan_bitmap_2 = 0x75;
    static constexpr std::uint8_t access_granted = 0x04;
    static constexpr std::uint8_t access_denied = 0x00;

    // Error numbers of the module's error reply.
    static constexpr std::uint8_t error_frame_crc = 1;
    static constexpr std::uint8_t error_frame_length = 2;
    static constexpr std::uint8_t error_data_length = 3;
    static constexpr std::uint8_t error_access = 4;
    static constexpr std::uint8_t error_not_a_frame = 5;

    struct Answer {
        std::uint8_t code = 0;
        std::vector<std::uint8_t> data;
        std::optional<std::uint8_t> error; // set: the module answers with an error reply
    };

    explicit Sim_panel(Sim_clock& clock);

    Answer handle(std::uint8_t code, const std::vector<std::uint8_t>& data);

    Sim_loop& loop() { return detectors; }

    // Settings.
    void set_password(const std::string& four_digits) { password = four_digits; }
    void set_login_required(bool required) { login_required = required; }
    // Above 5.2, generic commands 7 and 8 carry 29 bytes instead of 25.
    void set_protocol_version(double version) { protocol_version = version; }
    void set_scan_pass_ms(std::uint32_t ms) { scan_pass = ms; }
    void set_generic_reply(std::uint8_t code, std::vector<std::uint8_t> data);

    // Data lengths of generic commands, request and reply, for this panel's protocol version.
    std::size_t request_length(std::uint8_t code) const;
    std::size_t reply_length(std::uint8_t code) const;

    // State.
    bool logged_in() const { return access; }
    std::uint32_t password_checks() const { return checks; }
    bool scan_running() const { return scanning; }
    std::bitset<Sim_loop::scan_flags> scan_bitmap();
    std::optional<Sim_detector_bytes> last_detector_request() const { return tunnel_request; }

private:
    Answer check_password(const std::vector<std::uint8_t>& data);
    void refresh_scan();
    static std::vector<std::uint8_t> bitmap_bytes(const std::bitset<Sim_loop::scan_flags>& flags);

    Sim_clock& clock;
    Sim_loop detectors;
    std::string password = "1234";
    bool login_required = false;
    bool access = false;
    std::uint32_t checks = 0;
    double protocol_version = 5.7;
    std::uint32_t scan_pass = 500;
    bool scanning = true;
    std::uint64_t scan_started;
    std::bitset<Sim_loop::scan_flags> last_pass;
    std::bitset<Sim_loop::scan_flags> seen;
    std::bitset<Sim_loop::scan_flags> lost;
    std::optional<Sim_detector_bytes> tunnel_request;
    std::optional<Sim_detector_bytes> tunnel_reply;
    std::map<std::uint8_t, std::vector<std::uint8_t>> generic_replies;
};
