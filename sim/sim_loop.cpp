#include "sim_loop.h"

#include <algorithm>

void Sim_loop::add(std::uint8_t address, Sim_detector& detector) {
    remove(detector);
    detector.set_loop_address(address);
    members.push_back(&detector);
}

void Sim_loop::remove(Sim_detector& detector) {
    members.erase(std::remove(members.begin(), members.end(), &detector), members.end());
}

Sim_detector* Sim_loop::at(std::uint8_t address) const {
    for (Sim_detector* detector : members) {
        if (detector->loop_address() == address) {
            return detector;
        }
    }
    return nullptr;
}

std::optional<Sim_detector_bytes> Sim_loop::deliver(const Sim_detector_bytes& request) {
    std::optional<Sim_detector_bytes> heard;
    int answers = 0;
    for (Sim_detector* detector : members) {
        if (auto reply = detector->handle_request(request)) {
            heard = reply;
            ++answers;
        }
    }
    if (answers > 1 && heard) {
        // Overlapping answers reach the panel as one damaged frame; whatever the bytes, the
        // receiver's framing is off by then, so its check byte never matches.
        (*heard)[heard->size() - 1] ^= 0xA5;
        return heard;
    }
    return answers == 1 ? heard : std::nullopt;
}

std::bitset<Sim_loop::scan_flags> Sim_loop::answering() const {
    std::bitset<scan_flags> flags;
    for (const Sim_detector* detector : members) {
        if (detector->powered() && detector->loop_address() < scan_flags) {
            flags.set(detector->loop_address());
        }
    }
    return flags;
}
