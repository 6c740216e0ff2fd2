#pragma once

#include <cstdint>
#include <optional>

// "Pull the device out after n requests": counts the requests a device takes and says which one
// is on its way when the plug comes out. Shared by the dongle and the interface module.
class Sim_unplug_countdown {
public:
    void arm(std::uint32_t requests) { remaining = requests; }

    // Called once per request; true for the request during which the device is pulled out,
    // after which the countdown is spent.
    bool due() {
        if (!remaining) {
            return false;
        }
        if (*remaining == 0) {
            remaining.reset();
            return true;
        }
        --*remaining;
        return false;
    }

private:
    std::optional<std::uint32_t> remaining;
};
