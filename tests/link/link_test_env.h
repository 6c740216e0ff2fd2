#pragma once

#include "sim_hid_behaviour.h"
#include "sim_os.h"
#include "virtual_clock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The trace file is written in text mode.
#if defined(_WIN32)
inline constexpr const char* eol = "\r\n";
#else
inline constexpr const char* eol = "\n";
#endif

inline constexpr const char* hardware_id_a = "HID\\VID_ABCD&PID_AAAA";
inline constexpr const char* hardware_id_b = "HID\\VID_ABCD&PID_BBBB";

// A fresh, empty working directory for the life of the object; the previous one is restored
// afterwards, so trace files of different tests never meet.
class Temp_workdir {
public:
    Temp_workdir();
    ~Temp_workdir();
    Temp_workdir(const Temp_workdir&) = delete;
    Temp_workdir& operator=(const Temp_workdir&) = delete;
    const std::filesystem::path& path() const { return dir; }

private:
    std::filesystem::path previous;
    std::filesystem::path dir;
};

std::string read_bytes(const std::filesystem::path& file);
// The file's bytes as written by trace lines: " " + text + line end each.
std::string as_trace(const std::vector<std::string>& lines);
// The texts of the trace file's lines (leading space and line end checked and removed).
std::vector<std::string> trace_lines();

// A detector reply report: marker 0x0B, address 0xFF, command, word address and two words,
// CRC-8 in byte 9.
Sim_report reply_report(std::uint8_t command, std::uint16_t address, std::uint16_t first,
                        std::uint16_t second);
Sim_report info_reply(std::uint8_t version, std::uint16_t info);
// Recomputes byte 9 after a test changed bytes 1 to 8.
Sim_report with_crc(Sim_report report);
Sim_report with_bad_crc(Sim_report report);
// The first 16 bytes as the trace shows them, written independently of the code under test.
std::string hex16(const std::uint8_t* bytes);

// Answers each output report with the next scripted reply; an empty entry, or the end of the
// script, means no answer at all (the host's read times out).
class Scripted_replies : public Sim_hid_behaviour {
public:
    void script(std::vector<std::optional<Sim_report>> replies);
    void on_output_report(Sim_hid_device& device, const Sim_report& report) override;
    const std::vector<Sim_report>& requests() const { return seen; }

private:
    std::deque<std::optional<Sim_report>> pending;
    std::vector<Sim_report> seen;
};

// A temporary working directory and the simulated OS on a virtual clock, installed behind the
// seam for the test.
class Link_test : public ::testing::Test {
protected:
    Link_test();
    ~Link_test() override;

    // The dongle's device B with the scripted replies behind it.
    Sim_hid_device& add_dongle_b();

    Temp_workdir workdir;
    Virtual_clock clock;
    Scripted_replies replies;
    Sim_os os{clock};
};
