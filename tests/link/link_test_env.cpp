#include "link_test_env.h"

#include "checksums.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

Temp_workdir::Temp_workdir() : previous(fs::current_path()) {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    for (;;) {
        dir = fs::temp_directory_path() /
              ("ktr_link_" + std::to_string(random()) + "_" + std::to_string(counter++));
        if (fs::create_directory(dir)) {
            break;
        }
    }
    fs::current_path(dir);
}

Temp_workdir::~Temp_workdir() {
    std::error_code ignored;
    fs::current_path(previous, ignored);
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(dir, ignored);
}

std::string read_bytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string as_trace(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += " " + line + eol;
    }
    return text;
}

std::vector<std::string> trace_lines() {
    const std::string text = read_bytes("msp430_log.txt");
    const std::string end = eol;
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t next = text.find(end, at);
        if (next == std::string::npos || text[at] != ' ') {
            ADD_FAILURE() << "malformed trace line at byte " << at << " of:\n" << text;
            break;
        }
        lines.push_back(text.substr(at + 1, next - at - 1));
        at = next + end.size();
    }
    return lines;
}

Sim_report with_crc(Sim_report report) {
    report[9] = crc8_maxim(&report[1], 8);
    return report;
}

Sim_report with_bad_crc(Sim_report report) {
    report = with_crc(report);
    report[9] ^= 0x5A;
    return report;
}

Sim_report reply_report(std::uint8_t command, std::uint16_t address, std::uint16_t first,
                        std::uint16_t second) {
    Sim_report report{};
    report[0] = 0x0B;
    report[1] = 0xFF;
    report[2] = command;
    report[3] = static_cast<std::uint8_t>(address);
    report[4] = static_cast<std::uint8_t>(address >> 8);
    report[5] = static_cast<std::uint8_t>(first);
    report[6] = static_cast<std::uint8_t>(first >> 8);
    report[7] = static_cast<std::uint8_t>(second);
    report[8] = static_cast<std::uint8_t>(second >> 8);
    // Bytes the host never examines carry noise, so a reader that strays past the frame shows.
    for (std::size_t i = 10; i < report.size(); ++i) {
        report[i] = static_cast<std::uint8_t>(0xC3 ^ i);
    }
    return with_crc(report);
}

Sim_report info_reply(std::uint8_t version, std::uint16_t info) {
    Sim_report report = reply_report(0x55, 0, info, 0);
    report[3] = 0x85;
    report[4] = version;
    return with_crc(report);
}

std::string hex16(const std::uint8_t* bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (int i = 0; i < 16; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
        text += ' ';
    }
    return text;
}

void Scripted_replies::script(std::vector<std::optional<Sim_report>> replies) {
    pending.assign(replies.begin(), replies.end());
}

void Scripted_replies::on_output_report(Sim_hid_device& device, const Sim_report& report) {
    seen.push_back(report);
    if (pending.empty()) {
        return;
    }
    const std::optional<Sim_report> next = pending.front();
    pending.pop_front();
    if (next) {
        device.queue_input_report(*next);
    }
}

Link_test::Link_test() {
    set_os_api(&os);
}

// Back to the process's own OS, chosen lazily on next use, as before the test.
Link_test::~Link_test() {
    set_os_api(nullptr);
}

Sim_hid_device& Link_test::add_dongle_b() {
    Sim_hid_device& device = os.add_device({hardware_id_b});
    device.set_behaviour(&replies);
    return device;
}
