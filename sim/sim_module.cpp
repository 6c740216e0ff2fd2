#include "sim_module.h"

#include "sim_os.h"
#include "sim_panel_frame.h"

Sim_module::Sim_module(Sim_os& os, bool plugged)
    : os(os), hid(os.add_device({"HID\\VID_ABCD&PID_0003&REV_0200", "HID\\VID_ABCD&PID_0003",
                                 "HID_DEVICE_UP:FF00_U:0001", "HID_DEVICE_UP:FF00", "HID_DEVICE"})),
      pnx(os.clock()) {
    hid.set_behaviour(this);
    if (!plugged) {
        unplug();
    }
}

Sim_module::~Sim_module() {
    hid.set_behaviour(nullptr);
}

void Sim_module::plug() {
    os.plug(hid);
}

void Sim_module::unplug() {
    os.unplug(hid);
}

bool Sim_module::plugged() const {
    return hid.plugged();
}

Sim_report Sim_module::answer(const Sim_report& request) {
    if (request[0] == probe_byte && request[1] == 0x00) {
        Sim_report reply{};
        reply[0] = probe_byte;
        return reply;
    }
    Sim_panel_frame::Problem problem = Sim_panel_frame::Problem::none;
    const auto frame = Sim_panel_frame::parse(request, &problem);
    switch (problem) {
    case Sim_panel_frame::Problem::not_a_frame:
        return Sim_panel_frame::error(request[0], Sim_panel::error_not_a_frame);
    case Sim_panel_frame::Problem::bad_length:
        return Sim_panel_frame::error(request[3], Sim_panel::error_frame_length);
    case Sim_panel_frame::Problem::bad_crc:
        return Sim_panel_frame::error(request[3], Sim_panel::error_frame_crc);
    case Sim_panel_frame::Problem::none:
        break;
    }
    const Sim_panel::Answer reply = pnx.handle(frame->code, frame->data);
    if (reply.error) {
        return Sim_panel_frame::error(reply.code, *reply.error);
    }
    return Sim_panel_frame::build(reply.code, reply.data);
}

void Sim_module::on_output_report(Sim_hid_device& device, const Sim_report& report) {
    ++requests;
    latest = report;

    if (unplug_countdown.due()) {
        // Pulled out while the request is on its way: the unplug lands on the host's next call,
        // after the write it is in the middle of.
        os.at(os.clock().now_ms(), [this] { unplug(); });
        return;
    }

    const bool no_reply = armed.strikes(Fault::no_reply);
    const bool late = armed.strikes(Fault::late_reply);
    const bool error_reply = armed.strikes(Fault::error_reply);
    const bool wrong_code = armed.strikes(Fault::wrong_code);
    const bool bad_crc = armed.strikes(Fault::bad_crc);
    if (no_reply) {
        return;
    }

    if (error_reply) {
        // The panel never saw the request: nothing happens behind the module.
        const bool frame = report[0] == Sim_panel_frame::start;
        device.queue_input_report(
            Sim_panel_frame::error(frame ? report[3] : report[0], error_panel_silent),
            late ? late_delay : reply_delay);
        return;
    }
    Sim_report reply = answer(report);
    const bool is_frame = reply[0] == Sim_panel_frame::start;
    if (wrong_code && is_frame) {
        reply[3] ^= 0x01;
        Sim_panel_frame::seal(reply);
    } else if (bad_crc && is_frame) {
        reply[static_cast<std::size_t>(reply[2]) + 4] ^= 0xFF;
    }
    device.queue_input_report(reply, late ? late_delay : reply_delay);
}
