#include "hid_communication.h"

#include "hardware_ids.h"
#include "trace_file.h"

#include <cstdio>

namespace {

constexpr const char* fragment_a = hardware_ids::dongle_a;
constexpr const char* fragment_b = hardware_ids::dongle_b;

// Each text starts a new line of standard output and leaves it open; flushed at once so that the
// console copy and the trace file tell the same story in the same order.
void print_line(const std::string& text) {
    std::fputc('\n', stdout);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// Standard output first, then the trace.
void report(const std::string& text) {
    print_line(text);
    append_trace_line("HID: " + text);
}

} // namespace

HID_communication::HID_communication() {
    report("Creating HID devices...");
    device = std::make_unique<HID_device>();
    connected = false;
}

HID_communication::~HID_communication() {
    report("Deleting HID devices...");
    device.reset();
}

bool HID_communication::connect(const std::string& selector) {
    if (selector == "A") {
        if (device->search(fragment_a, true)) {
            report("Connecting to device A...OK");
            connected = true;
        } else {
            report("Error! Recreating device A...");
            connected = false;
            recreate_device();
        }
        return connected;
    }

    report("Connecting to device B...");
    if (device->search(fragment_b, true)) {
        report("Connecting to device B...OK");
        connected = true;
    } else {
        report("Error! Recreating device B...");
        connected = false;
        recreate_device();
    }
    return connected;
}

// A device whose search failed may still hold a device set or one handle; the next connect must
// start from a device in its constructed state, so the old one is released first.
void HID_communication::recreate_device() {
    device.reset();
    device = std::make_unique<HID_device>();
}
