#include "protocol_floor.h"

namespace {

// What one detector request and get-info cost on a link.
struct Link {
    std::uint64_t request_ms;
    std::uint64_t info_ms;
};

constexpr Link dongle{Protocol_floor::transaction_ms, Protocol_floor::transaction_ms};
constexpr Link panel{Protocol_floor::tunnel_ms,
                     Protocol_floor::tunnel_ms + Protocol_floor::detector_answer_wait_ms};

// The frame around either sequence: the pause before get-info, get-info, the pause at the end.
constexpr std::uint64_t frame_ms(Link link) {
    return Protocol_floor::step_pause_ms + link.info_ms + Protocol_floor::final_pause_ms;
}

// What read_configuration adds: thirteen paused reads and the paused verification step.
constexpr std::uint64_t thirteen_reads_ms(Link link) {
    return 13 * (Protocol_floor::step_pause_ms + link.request_ms) + Protocol_floor::step_pause_ms;
}

constexpr std::uint64_t read_over(Link link) {
    return frame_ms(link) + thirteen_reads_ms(link);
}

constexpr std::uint64_t write_over(Link link) {
    const std::uint64_t pair_transfers = (16 + 1 + 16 + 1 + 16) * link.request_ms;
    const std::uint64_t parameter_reads = 3 * (Protocol_floor::step_pause_ms + link.request_ms);
    return read_over(link) + pair_transfers + parameter_reads;
}

} // namespace

std::uint64_t Protocol_floor::read_ms() {
    return read_over(dongle);
}

std::uint64_t Protocol_floor::write_ms() {
    return write_over(dongle);
}

std::uint64_t Protocol_floor::tick_ms() {
    return transaction_ms;
}

std::uint64_t Protocol_floor::panel_read_ms() {
    return read_over(panel);
}

std::uint64_t Protocol_floor::panel_write_ms() {
    return write_over(panel);
}

std::uint64_t Protocol_floor::loop_survey_ms(int detectors) {
    return static_cast<std::uint64_t>(detectors) * panel_read_ms();
}

std::uint64_t Protocol_floor::loop_write_ms(int detectors) {
    return static_cast<std::uint64_t>(detectors) * panel_write_ms();
}
