#pragma once

#include "sim_fault_set.h"
#include "sim_hid_behaviour.h"
#include "sim_panel.h"
#include "sim_unplug_countdown.h"

#include <cstdint>
#include <optional>

class Sim_os;
class Sim_hid_device;

// The KMX12 interface module: HID device "VID_ABCD&PID_0003" in front of the panel. It answers
// every output report with one input report: the probe 0xF5 0x00 with 0xF5 0x00, a panel frame
// with the panel's answer frame, and anything it cannot take (an unknown request, a frame whose
// length or CRC-16 is wrong, a command the panel refuses) with its error reply, 0xAA in byte 0.
class Sim_module : public Sim_hid_behaviour {
public:
    enum class Fault {
        no_reply,    // the request is swallowed
        late_reply,  // the answer comes after late_reply_ms, beyond the host's wait
        error_reply, // the answer is a module error reply (0xAA in byte 0)
        wrong_code,  // the answer frame carries a neighbouring command code (code ^ 1)
        bad_crc,     // the answer frame's CRC-16 is damaged
    };

    static constexpr std::uint8_t probe_byte = 0xF5;
    // The error number of the error_reply fault: the panel did not answer the module.
    static constexpr std::uint8_t error_panel_silent = 6;

    explicit Sim_module(Sim_os& os, bool plugged = true);
    ~Sim_module() override;
    Sim_module(const Sim_module&) = delete;
    Sim_module& operator=(const Sim_module&) = delete;

    Sim_hid_device& device() { return hid; }
    Sim_panel& panel() { return pnx; }
    Sim_loop& loop() { return pnx.loop(); }

    void plug();
    void unplug();
    bool plugged() const;
    // The next `exchanges` requests are answered in full; the one after unplugs the module
    // before it is answered.
    void unplug_after(std::uint32_t exchanges) { unplug_countdown.arm(exchanges); }

    void set_reply_delay_ms(std::uint32_t ms) { reply_delay = ms; }
    void set_late_reply_ms(std::uint32_t ms) { late_delay = ms; }

    Sim_fault_set<Fault>& faults() { return armed; }
    void arm(Fault fault, Sim_fault_schedule schedule = Sim_fault_schedule::always()) {
        armed.arm(fault, schedule);
    }
    void disarm(Fault fault) { armed.disarm(fault); }

    std::uint32_t request_count() const { return requests; }
    std::optional<Sim_report> last_request_report() const { return latest; }

    // The answer to one request report, before transport faults; public for tests.
    Sim_report answer(const Sim_report& request);

    void on_output_report(Sim_hid_device& device, const Sim_report& report) override;

private:
    Sim_os& os;
    Sim_hid_device& hid;
    Sim_panel pnx;
    std::uint32_t reply_delay = 2;
    std::uint32_t late_delay = 600;
    Sim_unplug_countdown unplug_countdown;
    Sim_fault_set<Fault> armed;
    std::uint32_t requests = 0;
    std::optional<Sim_report> latest;
};
