#pragma once

#include "sim_hid_behaviour.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

// A KMX12 module that answers from a script: each request report is recorded and answered with
// the next queued reply (std::nullopt: no answer at all), or by the responder once the queue is
// empty. Without either the module stays silent.
class Module_script : public Sim_hid_behaviour {
public:
    using Responder = std::function<std::optional<Sim_report>(const Sim_report& request)>;

    void on_output_report(Sim_hid_device& device, const Sim_report& report) override;

    void queue_reply(std::optional<Sim_report> reply) { replies.push_back(reply); }
    void set_responder(Responder answer) { responder = std::move(answer); }

    const std::vector<Sim_report>& requests() const { return received; }
    void forget_requests() { received.clear(); }

private:
    std::deque<std::optional<Sim_report>> replies;
    Responder responder;
    std::vector<Sim_report> received;
};

// A panel frame as the module sends it: 0x10 0x10, length, code, data, CRC-16/ARC high first.
Sim_report panel_frame(std::uint8_t code, const std::vector<std::uint8_t>& data);

// A 9-byte detector reply with its CRC-8 in byte 8 (bytes 0 to 7 given).
std::vector<std::uint8_t> detector_reply(const std::vector<std::uint8_t>& first_eight);
