#pragma once

#include <cstdint>

// When a scripted fault strikes, counted in the events the fault can affect (a flash fault
// counts the erases or writes it could spoil, a reply fault every reply). A test arms a fault
// with one of the factories and the device consults it once per such event.
class Sim_fault_schedule {
public:
    static constexpr std::uint32_t unlimited = 0xFFFFFFFFu;

    // Never strikes; the state of a fault that is not armed.
    Sim_fault_schedule() = default;

    static Sim_fault_schedule always() { return after(0, unlimited); }
    static Sim_fault_schedule once() { return after(0, 1); }
    static Sim_fault_schedule next(std::uint32_t count) { return after(0, count); }
    // `good` events pass untouched, then `count` events are struck, then the fault is spent.
    static Sim_fault_schedule after(std::uint32_t good, std::uint32_t count = unlimited);

    // Consumes one event; true when the fault strikes it.
    bool strike();

    bool spent() const { return remaining == 0; }
    std::uint32_t strikes() const { return struck; }

private:
    std::uint32_t skip = 0;
    std::uint32_t remaining = 0;
    std::uint32_t struck = 0;
};
