#pragma once

#include "sim_fault_schedule.h"

#include <map>

// The faults armed on one device, each with its own schedule. A device asks `strikes` once for
// every fault that applies to the event at hand, before it decides which of them wins, so every
// schedule counts the same events whatever the others do.
template <typename Fault> class Sim_fault_set {
public:
    void arm(Fault fault, Sim_fault_schedule schedule) { armed[fault] = schedule; }
    void disarm(Fault fault) { armed.erase(fault); }
    void disarm_all() { armed.clear(); }

    bool strikes(Fault fault) {
        auto found = armed.find(fault);
        return found != armed.end() && found->second.strike();
    }

    // How often the fault has struck since it was last armed.
    std::uint32_t strike_count(Fault fault) const {
        auto found = armed.find(fault);
        return found == armed.end() ? 0 : found->second.strikes();
    }

private:
    std::map<Fault, Sim_fault_schedule> armed;
};
