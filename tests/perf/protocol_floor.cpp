#include "protocol_floor.h"

namespace {

// What read_configuration adds: thirteen paused reads and the paused verification step.
constexpr std::uint64_t thirteen_reads_ms =
    13 * (Protocol_floor::step_pause_ms + Protocol_floor::transaction_ms) +
    Protocol_floor::step_pause_ms;

// The frame around either sequence: the pause before get-info, get-info, the pause at the end.
constexpr std::uint64_t frame_ms =
    Protocol_floor::step_pause_ms + Protocol_floor::transaction_ms + Protocol_floor::final_pause_ms;

} // namespace

std::uint64_t Protocol_floor::read_ms() {
    return frame_ms + thirteen_reads_ms;
}

std::uint64_t Protocol_floor::write_ms() {
    const std::uint64_t pair_transfers = (16 + 1 + 16 + 1 + 16) * transaction_ms;
    const std::uint64_t parameter_reads = 3 * (step_pause_ms + transaction_ms);
    return frame_ms + thirteen_reads_ms + pair_transfers + parameter_reads;
}

std::uint64_t Protocol_floor::tick_ms() {
    return transaction_ms;
}
