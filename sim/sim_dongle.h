#pragma once

#include "sim_detector.h"
#include "sim_fault_set.h"
#include "sim_hid_behaviour.h"
#include "sim_unplug_countdown.h"

#include <cstdint>
#include <optional>

class Sim_os;
class Sim_hid_device;

// The USB dongle: two HID devices, A ("VID_ABCD&PID_AAAA") and B ("VID_ABCD&PID_BBBB"), both
// wired to the one detector socket. An output report with 0x0A in byte 0 carries a detector
// request in bytes 1-9 (then 0x01, 0xF4 and the CMPL value); the detector's reply comes back on
// the same device as an input report with 0x0B in byte 0 and the reply in bytes 1-9. Other
// output reports, and requests while no detector is attached, get no answer.
class Sim_dongle : public Sim_hid_behaviour {
public:
    enum class Fault {
        no_reply,   // the request is swallowed
        late_reply, // the reply comes after late_reply_ms, beyond the host's wait
        rejection,  // the request reaches the detector damaged, so it answers 0xCE
        wrong_echo, // the reply's echoed address (or get-info marker, or second word) is off
        bad_crc,    // the reply is damaged on its way back
    };

    static constexpr std::uint8_t request_marker = 0x0A;
    static constexpr std::uint8_t reply_marker = 0x0B;

    // Adds devices A and B to `os`, plugged or not.
    explicit Sim_dongle(Sim_os& os, bool plugged = true);
    ~Sim_dongle() override;
    Sim_dongle(const Sim_dongle&) = delete;
    Sim_dongle& operator=(const Sim_dongle&) = delete;

    Sim_hid_device& device_a() { return a; }
    Sim_hid_device& device_b() { return b; }

    void plug();
    void unplug();
    bool plugged() const;
    // The next `requests` requests are answered in full; the one after unplugs the dongle
    // before it is answered.
    void unplug_after(std::uint32_t requests) { unplug_countdown.arm(requests); }

    // Not owned; null means no detector in the socket.
    void attach(Sim_detector* detector) { socket = detector; }
    Sim_detector* detector() const { return socket; }

    void set_reply_delay_ms(std::uint32_t ms) { reply_delay = ms; }
    void set_late_reply_ms(std::uint32_t ms) { late_delay = ms; }

    Sim_fault_set<Fault>& faults() { return armed; }
    void arm(Fault fault, Sim_fault_schedule schedule = Sim_fault_schedule::always()) {
        armed.arm(fault, schedule);
    }
    void disarm(Fault fault) { armed.disarm(fault); }

    // What the host sent: every request report seen, the CMPL value of the last one.
    std::uint32_t request_count() const { return requests; }
    std::optional<Sim_report> last_request_report() const { return latest; }
    std::optional<std::uint8_t> last_cmpl() const { return cmpl; }

    void on_output_report(Sim_hid_device& device, const Sim_report& report) override;

private:
    Sim_os& os;
    Sim_hid_device& a;
    Sim_hid_device& b;
    Sim_detector* socket = nullptr;
    std::uint32_t reply_delay = 2;
    std::uint32_t late_delay = 400;
    Sim_unplug_countdown unplug_countdown;
    Sim_fault_set<Fault> armed;
    std::uint32_t requests = 0;
    std::optional<Sim_report> latest;
    std::optional<std::uint8_t> cmpl;
};
