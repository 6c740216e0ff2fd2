#pragma once

#include "sim_hid_behaviour.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

class Sim_os;

// One virtual HID interface as the OS presents it: hardware-ID strings, a device path, input
// reports waiting to be read, and conditions a test can switch at any moment. Owned by Sim_os;
// its address stays valid for the life of the Sim_os.
class Sim_hid_device {
public:
    Sim_hid_device(Sim_os& os, std::vector<std::string> hardware_ids, std::string path);

    const std::vector<std::string>& hardware_ids() const { return ids; }
    const std::string& path() const { return device_path; }
    bool plugged() const { return is_plugged; }

    // Not owned; null means the device swallows every output report.
    void set_behaviour(Sim_hid_behaviour* behaviour) { handler = behaviour; }

    // An input report that becomes readable `delay_ms` after the simulated clock's now.
    void queue_input_report(const Sim_report& report, std::uint32_t delay_ms = 0);
    void clear_input_reports() { pending_input.clear(); }
    std::size_t queued_input_reports() const { return pending_input.size(); }

    // Another program holds the device open without sharing: opening it fails.
    void set_held_open_exclusively(bool held) { held_open = held; }
    // The node is there but the user may not open it (no udev rule).
    void set_access_denied(bool denied) { no_access = denied; }
    bool access_denied() const { return no_access; }
    bool held_open_exclusively() const { return held_open; }

    // false: the device takes no output report, a write stays pending until cancelled.
    void set_accepts_output(bool accepts) { accepting_output = accepts; }
    bool accepts_output() const { return accepting_output; }

    // Every output report written to the device, as the 65 bytes that went over the wire.
    const std::vector<std::vector<std::uint8_t>>& written_wire() const { return wire; }

    // Used by Sim_os.
    struct Timed_report {
        std::uint64_t ready_at_ms;
        Sim_report data;
    };
    std::deque<Timed_report>& input_queue() { return pending_input; }
    void record_written(const std::uint8_t* bytes, std::uint32_t count);
    Sim_hid_behaviour* behaviour() const { return handler; }
    void set_plugged(bool plugged) { is_plugged = plugged; }
    Sim_os& os() const { return owner; }

private:
    Sim_os& owner;
    std::vector<std::string> ids;
    std::string device_path;
    bool is_plugged = true;
    Sim_hid_behaviour* handler = nullptr;
    std::deque<Timed_report> pending_input;
    bool held_open = false;
    bool no_access = false;
    bool accepting_output = true;
    std::vector<std::vector<std::uint8_t>> wire;
};
