#include "sim_fault_schedule.h"

Sim_fault_schedule Sim_fault_schedule::after(std::uint32_t good, std::uint32_t count) {
    Sim_fault_schedule schedule;
    schedule.skip = good;
    schedule.remaining = count;
    return schedule;
}

bool Sim_fault_schedule::strike() {
    if (remaining == 0) {
        return false;
    }
    if (skip > 0) {
        --skip;
        return false;
    }
    if (remaining != unlimited) {
        --remaining;
    }
    ++struck;
    return true;
}
