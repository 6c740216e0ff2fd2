#include "module_script.h"

#include "checksums.h"
#include "sim_hid_device.h"

void Module_script::on_output_report(Sim_hid_device& device, const Sim_report& report) {
    received.push_back(report);
    std::optional<Sim_report> answer;
    if (!replies.empty()) {
        answer = replies.front();
        replies.pop_front();
    } else if (responder) {
        answer = responder(report);
    }
    if (answer) {
        device.queue_input_report(*answer);
    }
}

Sim_report panel_frame(std::uint8_t code, const std::vector<std::uint8_t>& data) {
    Sim_report frame{};
    frame[0] = 0x10;
    frame[1] = 0x10;
    frame[2] = static_cast<std::uint8_t>(data.size() + 1);
    frame[3] = code;
    for (std::size_t i = 0; i < data.size(); ++i) {
        frame[4 + i] = data[i];
    }
    const std::size_t covered = data.size() + 4;
    const std::uint16_t crc = crc16_arc(frame.data(), static_cast<std::uint8_t>(covered));
    frame[covered] = static_cast<std::uint8_t>(crc >> 8);
    frame[covered + 1] = static_cast<std::uint8_t>(crc & 0xFF);
    return frame;
}

std::vector<std::uint8_t> detector_reply(const std::vector<std::uint8_t>& first_eight) {
    std::vector<std::uint8_t> reply = first_eight;
    reply.resize(8);
    reply.push_back(crc8_maxim(reply.data(), 8));
    return reply;
}
