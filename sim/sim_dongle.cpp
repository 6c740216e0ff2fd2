#include "sim_dongle.h"

#include "sim_os.h"

#include <algorithm>

namespace {

std::vector<std::string> hardware_ids(const std::string& product) {
    const std::string id = "HID\\VID_ABCD&PID_" + product;
    return {id + "&REV_0100", id, "HID_DEVICE_UP:FF00_U:0001", "HID_DEVICE_UP:FF00", "HID_DEVICE"};
}

} // namespace

Sim_dongle::Sim_dongle(Sim_os& os, bool plugged)
    : os(os), a(os.add_device(hardware_ids("AAAA"))), b(os.add_device(hardware_ids("BBBB"))) {
    a.set_behaviour(this);
    b.set_behaviour(this);
    if (!plugged) {
        unplug();
    }
}

Sim_dongle::~Sim_dongle() {
    a.set_behaviour(nullptr);
    b.set_behaviour(nullptr);
}

void Sim_dongle::plug() {
    os.plug(a);
    os.plug(b);
}

void Sim_dongle::unplug() {
    os.unplug(a);
    os.unplug(b);
}

bool Sim_dongle::plugged() const {
    return a.plugged() && b.plugged();
}

void Sim_dongle::on_output_report(Sim_hid_device& device, const Sim_report& report) {
    if (report[0] != request_marker) {
        return;
    }
    ++requests;
    latest = report;
    cmpl = report[12];

    if (unplug_countdown.due()) {
        // Pulled out while the request is on its way: the unplug lands on the host's next call,
        // after the write it is in the middle of.
        os.at(os.clock().now_ms(), [this] { unplug(); });
        return;
    }

    const bool no_reply = armed.strikes(Fault::no_reply);
    const bool late = armed.strikes(Fault::late_reply);
    const bool rejection = armed.strikes(Fault::rejection);
    const bool wrong_echo = armed.strikes(Fault::wrong_echo);
    const bool bad_crc = armed.strikes(Fault::bad_crc);
    if (no_reply || socket == nullptr) {
        return;
    }

    Sim_detector_bytes request{};
    std::copy_n(report.begin() + 1, request.size(), request.begin());
    if (rejection) {
        request = Sim_detector_message::with_line_noise(request);
    }
    std::optional<Sim_detector_bytes> answer = socket->handle_request(request);
    if (!answer) {
        return;
    }
    if (wrong_echo) {
        answer = Sim_detector_message::with_wrong_echo(*answer);
    } else if (bad_crc) {
        answer = Sim_detector_message::with_bad_crc(*answer);
    }

    Sim_report reply{};
    reply[0] = reply_marker;
    std::copy(answer->begin(), answer->end(), reply.begin() + 1);
    device.queue_input_report(reply, late ? late_delay : reply_delay);
}
