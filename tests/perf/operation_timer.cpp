#include "operation_timer.h"

#include "real_clock.h"
#include "virtual_clock.h"

#include <chrono>

namespace {

double since_ms(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - from)
        .count();
}

} // namespace

Timed Operation_timer::time(const std::function<void()>& operation) {
    Timed timed;
    if (wall != nullptr) {
        wall->settle();
        const std::uint64_t asked = wall->asked_ms();
        const auto start = std::chrono::steady_clock::now();
        operation();
        wall->settle();
        timed.clock_ms = since_ms(start);
        timed.slept_ms = static_cast<double>(wall->asked_ms() - asked);
        timed.work_ms = timed.clock_ms - timed.slept_ms;
        return timed;
    }
    const std::uint64_t from = virtual_time->now_ms();
    const auto start = std::chrono::steady_clock::now();
    operation();
    timed.work_ms = since_ms(start);
    timed.clock_ms = static_cast<double>(virtual_time->now_ms() - from);
    timed.slept_ms = timed.clock_ms;
    return timed;
}
