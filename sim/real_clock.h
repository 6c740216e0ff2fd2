#pragma once

#include "sim_clock.h"

#include <chrono>
#include <cstdint>
#include <thread>

// The wall clock, for the bench program.
class Real_clock : public Sim_clock {
public:
    std::uint64_t now_ms() const override {
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now() - start)
                                              .count());
    }
    void sleep_ms(std::uint32_t milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }

private:
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};
