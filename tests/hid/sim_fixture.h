#pragma once

#include "os_api.h"
#include "sim_hid_behaviour.h"
#include "sim_hid_device.h"
#include "sim_os.h"
#include "virtual_clock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

// Each test runs on its own simulated OS with a virtual clock, installed behind the seam.
class Sim_fixture : public testing::Test {
protected:
    Sim_fixture() { set_os_api(&os); }
    ~Sim_fixture() override { set_os_api(nullptr); }

    Sim_hid_device& add(const std::string& hardware_id) { return os.add_device({hardware_id}); }

    Virtual_clock clock;
    Sim_os os{clock};
};

// 64 distinct bytes starting at `first`.
inline Sim_report pattern(std::uint8_t first) {
    Sim_report report{};
    for (std::size_t i = 0; i < report.size(); ++i) {
        report[i] = static_cast<std::uint8_t>(first + i);
    }
    return report;
}

// Answers every output report with its bytes inverted, `delay_ms` later, and keeps what it saw.
class Inverting_behaviour : public Sim_hid_behaviour {
public:
    explicit Inverting_behaviour(std::uint32_t delay = 0) : delay_ms(delay) {}
    void on_output_report(Sim_hid_device& device, const Sim_report& report) override {
        seen.push_back(report);
        device.queue_input_report(inverted(report), delay_ms);
    }
    static Sim_report inverted(Sim_report report) {
        for (std::uint8_t& b : report) {
            b = static_cast<std::uint8_t>(~b);
        }
        return report;
    }
    std::uint32_t delay_ms;
    std::vector<Sim_report> seen;
};
