#pragma once

#include "sim_detector.h"

#include <bitset>
#include <cstdint>
#include <optional>
#include <vector>

// The panel's detector loop: detectors (not owned) at loop addresses. A request reaches every
// detector that takes its address; the panel hears a clean reply only when exactly one of them
// answers, since answers sent at the same time garble each other into a frame whose CRC-8
// fails. Requests to 255 and the broadcast addresses reach every detector, so they are answered
// cleanly only on a loop with a single detector.
class Sim_loop {
public:
    static constexpr std::size_t scan_flags = 104;

    // Puts the detector on the loop at `address` (its loop address becomes `address`).
    void add(std::uint8_t address, Sim_detector& detector);
    void remove(Sim_detector& detector);
    void clear() { members.clear(); }
    Sim_detector* at(std::uint8_t address) const;
    std::size_t size() const { return members.size(); }

    std::optional<Sim_detector_bytes> deliver(const Sim_detector_bytes& request);

    // Addresses at which a powered detector answers the panel's scan (flags 0..103).
    std::bitset<scan_flags> answering() const;

private:
    std::vector<Sim_detector*> members;
};
