#pragma once

#include <array>
#include <cstdint>

class Sim_hid_device;

using Sim_report = std::array<std::uint8_t, 64>;

// What a simulated HID device does with the output reports the host writes to it. It answers by
// queueing input reports on the device (promptly, late, or never).
class Sim_hid_behaviour {
public:
    virtual ~Sim_hid_behaviour() = default;
    // `report` is the 64 data bytes behind the report ID byte 0.
    virtual void on_output_report(Sim_hid_device& device, const Sim_report& report) = 0;
};
