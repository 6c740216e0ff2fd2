#pragma once

#include <cstdint>

// Time as the simulated OS sees it: virtual in tests (instant and deterministic), real in the
// bench program.
class Sim_clock {
public:
    virtual ~Sim_clock() = default;
    virtual std::uint64_t now_ms() const = 0;
    virtual void sleep_ms(std::uint32_t milliseconds) = 0;
};
