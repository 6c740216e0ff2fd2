#pragma once

#include <cstdint>
#include <functional>

class Real_clock;
class Virtual_clock;

// One operation's time on the benchmark's clock, and how it splits: the sleeps it asked for and
// the rest, which is the tool's own work and the simulated bench's.
struct Timed {
    double clock_ms = 0;
    double slept_ms = 0;
    double work_ms = 0;
};

// Times operations on the wall clock, or on a virtual clock that moves only when slept on. On
// the wall clock each operation pays exactly its own sleeps: none carried in from the one
// before, none left owing to the one after. On a virtual clock the clock's time is the sleeps
// alone, and the work is what the operation took on the wall clock.
class Operation_timer {
public:
    explicit Operation_timer(Real_clock& clock) : wall(&clock) {}
    explicit Operation_timer(Virtual_clock& clock) : virtual_time(&clock) {}

    Timed time(const std::function<void()>& operation);
    bool on_wall_clock() const { return wall != nullptr; }

private:
    Real_clock* wall = nullptr;
    Virtual_clock* virtual_time = nullptr;
};
