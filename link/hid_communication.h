#pragma once

#include "hid_device.h"

#include <memory>
#include <string>

// The tool's handle on the dongle: owns the one HID device that requests and answers travel
// through, opens it for device "A" or device "B", and remembers whether that worked. Every step
// goes to standard output and, with a "HID: " prefix, to the trace file.
//
// Not polymorphic on purpose: the only derived class is MSP430_bootloader, which is always
// created and destroyed as itself.
class HID_communication {
public:
    HID_communication();
    ~HID_communication();
    HID_communication(const HID_communication&) = delete;
    HID_communication& operator=(const HID_communication&) = delete;

    // Exactly "A" opens device A; any other selector ("a", "AB", "") opens device B.
    // Returns the new value of `connected`.
    bool connect(const std::string& selector);

protected:
    bool connected = false;
    // Never null. A failed connect leaves a fresh, never-searched device behind.
    std::unique_ptr<HID_device> device;

private:
    void recreate_device();
};
