#pragma once

#include "sim_clock.h"

#include <chrono>
#include <cstdint>
#include <thread>

// The wall clock, for the bench program and the benchmark.
//
// A thread sleep always overshoots a little (about 0.1 ms here), and the system sleeps in long
// runs of short steps (a 1 ms poll sleep after a 25 ms pause, hundreds of times per write), so
// the overshoot would add up to several per cent of an operation. Each sleep therefore gives
// back what the sleeps before it overshot: the time spent sleeping adds up to the time asked
// for, within one overshoot. Time spent working between sleeps is not touched.
class Real_clock : public Sim_clock {
public:
    std::uint64_t now_ms() const override {
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now() - start)
                                              .count());
    }

    void sleep_ms(std::uint32_t milliseconds) override {
        asked_total += milliseconds;
        const auto asked = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::milliseconds(milliseconds));
        const auto from = std::chrono::steady_clock::now();
        if (asked > overslept) {
            std::this_thread::sleep_until(from + asked - overslept);
        }
        overslept += std::chrono::steady_clock::now() - from - asked;
    }

    // Closes the account between two timed operations: a sleep still owed (the last sleeps came
    // back early, or were shortened to give back an overshoot) is slept now,
    // and time overslept before is not given back to the next operation. Without it one
    // operation's sleeps can come out short and the next one's long, so a short operation such
    // as a monitor tick could end faster than the sleeps it asks for.
    void settle() {
        while (overslept < std::chrono::steady_clock::duration::zero()) {
            const auto from = std::chrono::steady_clock::now();
            std::this_thread::sleep_until(from - overslept);
            overslept += std::chrono::steady_clock::now() - from;
        }
        overslept = std::chrono::steady_clock::duration::zero();
    }

    // Every sleep asked for so far, added up: what the operations would take on a clock that
    // sleeps exactly and works in no time.
    std::uint64_t asked_ms() const { return asked_total; }

private:
    std::uint64_t asked_total = 0;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    // Time slept beyond what was asked, so far; negative when a sleep came back early.
    std::chrono::steady_clock::duration overslept{0};
};
