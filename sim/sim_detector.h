#pragma once

#include "sim_detector_message.h"
#include "sim_fault_set.h"
#include "sim_flash.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>

// A KTR27 detector in its bootloader: get-info, word-pair reads and writes, segment erases on
// the MSP430 flash, and the detector commands the panel sends (sub-code 9 starts the detector's
// loop scan, 26 erases its event memory).
//
// It answers requests to its own loop address, to 255 and to the broadcast addresses 0xFE,
// 0xFA and 0xFB; it ignores requests to any other address, requests with a command it does not
// know, and everything while it is unpowered. A request whose CRC-8 is wrong is answered with
// 0xCE and 0xEA 0xEA in the address bytes; it changes nothing.
class Sim_detector {
public:
    // Scripted misbehaviour. Reply faults apply to every request the detector answers; the
    // erase faults to 0xDD requests, the program faults to 0xAA requests. When several strike
    // at once, the one listed first wins.
    enum class Fault {
        no_reply,        // the request is heard and dropped
        reject,          // answered with 0xCE as if the request's CRC-8 were wrong
        erase_refused,   // an erase is answered with 0xCE, the segment stays as it was
        erase_ignored,   // an erase is acknowledged but the segment stays as it was
        erase_spills,    // an erase also wipes the segment below the one addressed
        program_refused, // a write is answered with 0xCE, the words stay as they were
        program_ignored, // a write is acknowledged but the words stay as they were
        wrong_command,   // the reply's command byte is 0x00
        wrong_echo,      // the reply echoes another address, word or marker
        bad_crc,         // one bit of the reply is flipped after its CRC-8 was made
    };

    // The eight configuration words at 0x1040..0x104E.
    struct Config {
        std::uint16_t options1 = 0x4180;
        std::uint16_t address = 0;
        std::uint16_t rop_address = 0;
        std::uint16_t options2 = 0;
        std::uint16_t rop_ans = 10;
        std::uint16_t rop_alm = 50;
        std::uint16_t smoke_profile = 100;
        std::uint16_t hc = 0;
    };

    // What the factory puts into a detector besides its configuration.
    struct Identity {
        std::uint8_t version = 52;
        std::uint16_t info_word = 0x21;
        std::array<std::uint16_t, 2> ur{0x0A8C, 0x0A41};
        std::array<std::uint16_t, 2> u0{0x0153, 0x0149};
        std::array<std::uint16_t, 2> uc{0x02E4, 0x0311};
        std::array<std::uint16_t, 2> wid{0x2417, 0x0052};
    };

    static constexpr std::uint16_t config_start = 0x1040;
    static constexpr std::uint16_t crc_address = 0x105E;
    static constexpr std::uint16_t ur_address = 0x1002;
    static constexpr std::uint16_t wid_address = 0x100C;
    static constexpr std::uint16_t u0_address = 0x1010;
    static constexpr std::uint16_t uc_address = 0x1080;
    static constexpr std::uint16_t backup_address = 0xFC00;
    static constexpr std::uint16_t subcode_start_scan = 9;
    static constexpr std::uint16_t subcode_erase_events = 26;

    // All flash erased: a bare chip.
    Sim_detector(std::uint8_t version, std::uint16_t info_word);

    // Configuration segment erased up to its checksum word; parameter pairs, the data words at
    // 0x1060..0x107E, the chip's calibration segment and a backup copy of the configuration
    // segment are in place.
    static Sim_detector factory_fresh(const Identity& identity);
    static Sim_detector factory_fresh(std::uint8_t version, std::uint16_t info_word);
    // Factory-fresh with a valid configuration and its checksum.
    static Sim_detector configured(const Identity& identity, const Config& config);
    static Sim_detector configured(std::uint8_t version, std::uint16_t info_word,
                                   const Config& config);
    // With the configuration of a new window: options1 0x4180, ROP 10 and 50, profile 100.
    static Sim_detector configured(std::uint8_t version, std::uint16_t info_word);

    // Handles one 9-byte request as the detector's bootloader does; no value means no reply.
    std::optional<Sim_detector_bytes> handle_request(const Sim_detector_bytes& request);

    // Identity and power.
    std::uint8_t version() const { return detector_version; }
    std::uint16_t info_word() const { return information_word; }
    void set_version(std::uint8_t version) { detector_version = version; }
    void set_info_word(std::uint16_t word) { information_word = word; }
    std::uint8_t loop_address() const { return own_address; }
    void set_loop_address(std::uint8_t address) { own_address = address; }
    // A written configuration with another basic address is taken up once the panel turns to
    // any other address (or scans the loop): the tool's own read-back of the write still reaches
    // the detector where it was, and afterwards it answers only at its new address.
    void take_up_configured_address();
    bool powered() const { return is_powered; }
    void set_powered(bool powered) { is_powered = powered; }

    // Memory.
    Sim_flash& flash() { return memory; }
    const Sim_flash& flash() const { return memory; }
    std::uint16_t word(std::uint16_t address) const { return memory.word(address); }
    void set_word(std::uint16_t address, std::uint16_t value) { memory.set_word(address, value); }
    std::array<std::uint16_t, 2> pair(std::uint16_t address) const;
    void set_pair(std::uint16_t address, std::array<std::uint16_t, 2> words);
    Config config() const;
    // Writes the eight words, leaves 0x1050..0x105C as they are and stores the checksum the
    // tool expects at 0x105E: crc16_ccitt over 0x1040..0x105C, each word low byte first.
    void write_config(const Config& config);
    // crc16_ccitt over 0x1040..0x105C as they are now.
    std::uint16_t config_crc() const;
    bool config_crc_valid() const { return config_crc() == word(crc_address); }

    // Event memory and the detector's own loop scan.
    std::uint32_t events() const { return event_count; }
    void set_events(std::uint32_t count) { event_count = count; }
    bool scanning() const { return is_scanning; }

    // Faults, for every request or only for the reads, writes and erases of one word address.
    // A request counts for both kinds of schedule, and strikes when either does.
    Sim_fault_set<Fault>& faults() { return armed; }
    void arm(Fault fault, Sim_fault_schedule schedule = Sim_fault_schedule::always()) {
        armed.arm(fault, schedule);
    }
    void arm_at(std::uint16_t address, Fault fault,
                Sim_fault_schedule schedule = Sim_fault_schedule::always()) {
        armed_at[address].arm(fault, schedule);
    }
    void disarm(Fault fault);
    void disarm_all();

    // What reached the detector: requests addressed to it (whatever their CRC).
    std::uint32_t request_count() const { return requests; }
    std::optional<Sim_detector_bytes> last_request() const { return latest; }
    std::uint32_t crc_rejections() const { return rejections; }

    static bool broadcast(std::uint8_t address);

private:
    struct Struck;
    bool strikes(Fault fault, const Sim_detector_bytes& request);
    bool addressed_to_me(std::uint8_t address) const;
    std::optional<Sim_detector_bytes> execute(const Sim_detector_bytes& request,
                                              const Struck& struck);
    Sim_detector_bytes reply(std::uint8_t code, std::uint16_t field, std::uint16_t first,
                             std::uint16_t second) const;

    Sim_flash memory;
    std::uint8_t detector_version;
    std::uint16_t information_word;
    void note_configured_address();

    std::uint8_t own_address = 0;
    std::optional<std::uint8_t> pending_address;
    bool is_powered = true;
    std::uint32_t event_count = 0;
    bool is_scanning = true;
    Sim_fault_set<Fault> armed;
    std::map<std::uint16_t, Sim_fault_set<Fault>> armed_at;
    std::uint32_t requests = 0;
    std::uint32_t rejections = 0;
    std::optional<Sim_detector_bytes> latest;
};
