#pragma once

#include "sim_clock.h"

#include <cstdint>

// A clock that only moves when someone sleeps, so a test can assert exactly how long the system
// under test waited.
class Virtual_clock : public Sim_clock {
public:
    std::uint64_t now_ms() const override { return now; }
    void sleep_ms(std::uint32_t milliseconds) override {
        now += milliseconds;
        ++sleeps;
    }
    std::uint64_t sleep_count() const { return sleeps; }

private:
    std::uint64_t now = 0;
    std::uint64_t sleeps = 0;
};
