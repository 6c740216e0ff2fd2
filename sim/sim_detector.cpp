#include "sim_detector.h"

#include "checksums.h"

namespace {

using Message = Sim_detector_message;

// Words 0x1060..0x107E of a factory detector: sensor calibration the tool carries over.
std::uint16_t factory_data_word(std::uint16_t index) {
    return static_cast<std::uint16_t>(0x3C00 + 0x0105 * index);
}

void copy_config_segment_to_backup(Sim_detector& detector) {
    for (std::uint16_t offset = 0; offset < Sim_flash::info_segment_size; offset += 2) {
        detector.set_word(static_cast<std::uint16_t>(Sim_detector::backup_address + offset),
                          detector.word(static_cast<std::uint16_t>(0x1040 + offset)));
    }
}

} // namespace

// Which of the armed faults strike the request at hand; worked out before anything is done.
struct Sim_detector::Struck {
    bool no_reply = false;
    bool reject = false;
    bool erase_refused = false;
    bool erase_ignored = false;
    bool erase_spills = false;
    bool program_refused = false;
    bool program_ignored = false;
    bool wrong_command = false;
    bool wrong_echo = false;
    bool bad_crc = false;
};

Sim_detector::Sim_detector(std::uint8_t version, std::uint16_t info_word)
    : detector_version(version), information_word(info_word) {}

Sim_detector Sim_detector::factory_fresh(const Identity& identity) {
    Sim_detector detector(identity.version, identity.info_word);
    detector.set_pair(ur_address, identity.ur);
    detector.set_pair(wid_address, identity.wid);
    detector.set_pair(u0_address, identity.u0);
    detector.set_pair(uc_address, identity.uc);
    for (std::uint16_t i = 0; i < 16; ++i) {
        detector.set_word(static_cast<std::uint16_t>(0x1060 + 2 * i), factory_data_word(i));
    }
    // The chip maker's clock calibration at the top of the information memory.
    detector.set_pair(0x10F8, {0x8D86, 0x8E8A});
    detector.set_pair(0x10FC, {0x8F8D, 0x8687});
    copy_config_segment_to_backup(detector);
    return detector;
}

Sim_detector Sim_detector::factory_fresh(std::uint8_t version, std::uint16_t info_word) {
    Identity identity;
    identity.version = version;
    identity.info_word = info_word;
    return factory_fresh(identity);
}

Sim_detector Sim_detector::configured(const Identity& identity, const Config& config) {
    Sim_detector detector = factory_fresh(identity);
    detector.write_config(config);
    copy_config_segment_to_backup(detector);
    return detector;
}

Sim_detector Sim_detector::configured(std::uint8_t version, std::uint16_t info_word,
                                      const Config& config) {
    Identity identity;
    identity.version = version;
    identity.info_word = info_word;
    return configured(identity, config);
}

Sim_detector Sim_detector::configured(std::uint8_t version, std::uint16_t info_word) {
    return configured(version, info_word, Config{});
}

std::array<std::uint16_t, 2> Sim_detector::pair(std::uint16_t address) const {
    return {word(address), word(static_cast<std::uint16_t>(address + 2))};
}

void Sim_detector::set_pair(std::uint16_t address, std::array<std::uint16_t, 2> words) {
    set_word(address, words[0]);
    set_word(static_cast<std::uint16_t>(address + 2), words[1]);
}

Sim_detector::Config Sim_detector::config() const {
    return {word(0x1040), word(0x1042), word(0x1044), word(0x1046),
            word(0x1048), word(0x104A), word(0x104C), word(0x104E)};
}

void Sim_detector::write_config(const Config& config) {
    const std::array<std::uint16_t, 8> words{
        config.options1, config.address, config.rop_address,   config.options2,
        config.rop_ans,  config.rop_alm, config.smoke_profile, config.hc};
    for (std::uint16_t i = 0; i < words.size(); ++i) {
        set_word(static_cast<std::uint16_t>(config_start + 2 * i), words[i]);
    }
    set_word(crc_address, config_crc());
}

std::uint16_t Sim_detector::config_crc() const {
    std::array<std::uint8_t, 30> bytes{};
    for (std::uint16_t i = 0; i < 15; ++i) {
        const std::uint16_t value = word(static_cast<std::uint16_t>(config_start + 2 * i));
        bytes[2 * i] = static_cast<std::uint8_t>(value & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(value >> 8);
    }
    return crc16_ccitt(bytes.data(), static_cast<std::uint16_t>(bytes.size()));
}

void Sim_detector::disarm(Fault fault) {
    armed.disarm(fault);
    for (auto& [address, faults] : armed_at) {
        faults.disarm(fault);
    }
}

void Sim_detector::disarm_all() {
    armed.disarm_all();
    armed_at.clear();
}

bool Sim_detector::strikes(Fault fault, const Sim_detector_bytes& request) {
    const bool everywhere = armed.strikes(fault);
    const std::uint8_t code = request[1];
    const bool memory_request =
        code == Message::read || code == Message::write || code == Message::erase;
    if (!memory_request) {
        return everywhere;
    }
    auto here = armed_at.find(Message::value(request, 2));
    const bool at_address = here != armed_at.end() && here->second.strikes(fault);
    return everywhere || at_address;
}

bool Sim_detector::broadcast(std::uint8_t address) {
    return address == 0xFE || address == 0xFA || address == 0xFB;
}

bool Sim_detector::addressed_to_me(std::uint8_t address) const {
    return address == own_address || address == 255 || broadcast(address);
}

void Sim_detector::take_up_configured_address() {
    if (pending_address && is_powered) {
        own_address = *pending_address;
        pending_address.reset();
    }
}

void Sim_detector::note_configured_address() {
    constexpr std::uint16_t basic_address_bit = 0x0020;
    constexpr std::uint16_t highest_loop_address = 99;
    const Config stored = config();
    if (config_crc_valid() && (stored.options1 & basic_address_bit) != 0 &&
        stored.address <= highest_loop_address && stored.address != own_address) {
        pending_address = static_cast<std::uint8_t>(stored.address);
    } else {
        pending_address.reset();
    }
}

std::optional<Sim_detector_bytes> Sim_detector::handle_request(const Sim_detector_bytes& request) {
    if (request[0] != own_address && request[0] != 255 && !broadcast(request[0])) {
        take_up_configured_address();
    }
    if (!is_powered || !addressed_to_me(request[0])) {
        return std::nullopt;
    }
    ++requests;
    latest = request;

    Struck struck;
    struck.no_reply = strikes(Fault::no_reply, request);
    struck.reject = strikes(Fault::reject, request);
    struck.wrong_command = strikes(Fault::wrong_command, request);
    struck.wrong_echo = strikes(Fault::wrong_echo, request);
    struck.bad_crc = strikes(Fault::bad_crc, request);

    if (struck.no_reply) {
        return std::nullopt;
    }
    if (struck.reject) {
        return Message::rejected(own_address);
    }
    if (!Message::crc_ok(request)) {
        ++rejections;
        return Message::rejected(own_address);
    }
    // Flash faults count only the erases and writes that would otherwise have been carried out.
    if (request[1] == Message::erase) {
        struck.erase_refused = strikes(Fault::erase_refused, request);
        struck.erase_ignored = strikes(Fault::erase_ignored, request);
        struck.erase_spills = strikes(Fault::erase_spills, request);
    }
    if (request[1] == Message::write) {
        struck.program_refused = strikes(Fault::program_refused, request);
        struck.program_ignored = strikes(Fault::program_ignored, request);
    }
    std::optional<Sim_detector_bytes> answer = execute(request, struck);
    if (!answer || (*answer)[1] == Message::rejection) {
        return answer;
    }
    if (struck.wrong_command) {
        return Message::with_wrong_command(*answer);
    }
    if (struck.wrong_echo) {
        return Message::with_wrong_echo(*answer);
    }
    if (struck.bad_crc) {
        return Message::with_bad_crc(*answer);
    }
    return answer;
}

std::optional<Sim_detector_bytes> Sim_detector::execute(const Sim_detector_bytes& request,
                                                        const Struck& struck) {
    const std::uint8_t code = request[1];
    const std::uint16_t field = Message::value(request, 2);
    const std::uint16_t first = Message::value(request, 4);
    const std::uint16_t second = Message::value(request, 6);
    const auto next = static_cast<std::uint16_t>(field + 2);

    switch (code) {
    case Message::get_info:
        is_scanning = false;
        return reply(code, static_cast<std::uint16_t>(Message::info_marker | detector_version << 8),
                     information_word, 0);
    case Message::read:
        is_scanning = false;
        return reply(code, field, word(field), word(next));
    case Message::write:
        is_scanning = false;
        if (struck.program_refused) {
            return Message::rejected(own_address);
        }
        if (!struck.program_ignored) {
            memory.program_word(field, first);
            memory.program_word(next, second);
            note_configured_address();
        }
        return reply(code, field, first, second);
    case Message::erase:
        is_scanning = false;
        if (struck.erase_refused) {
            return Message::rejected(own_address);
        }
        if (!struck.erase_ignored) {
            memory.erase_segment(field);
            if (struck.erase_spills && Sim_flash::mapped(field)) {
                const std::uint16_t start = Sim_flash::segment_start(field);
                memory.erase_segment(static_cast<std::uint16_t>(start - 1));
            }
            note_configured_address();
        }
        return reply(code, field, 0, 0);
    case Message::command:
        if (field == subcode_start_scan) {
            is_scanning = true;
            return reply(code, field, 0, 0);
        }
        if (field == subcode_erase_events) {
            const auto erased =
                static_cast<std::uint16_t>(event_count > 0xFFFF ? 0xFFFF : event_count);
            event_count = 0;
            return reply(code, field, erased, 0);
        }
        // Sub-codes this detector does not implement are acknowledged without effect.
        return reply(code, field, first, second);
    default:
        return std::nullopt;
    }
}

Sim_detector_bytes Sim_detector::reply(std::uint8_t code, std::uint16_t field, std::uint16_t first,
                                       std::uint16_t second) const {
    return Message::make(own_address, code, field, first, second);
}
