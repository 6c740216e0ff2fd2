#include "sim_hid_device.h"

#include "sim_os.h"

#include <algorithm>
#include <utility>

Sim_hid_device::Sim_hid_device(Sim_os& os, std::vector<std::string> hardware_ids, std::string path)
    : owner(os), ids(std::move(hardware_ids)), device_path(std::move(path)) {}

void Sim_hid_device::queue_input_report(const Sim_report& report, std::uint32_t delay_ms) {
    // A device that is gone sends nothing, not even what it had scheduled.
    if (!is_plugged) {
        return;
    }
    const std::uint64_t ready = owner.clock().now_ms() + delay_ms;
    // Reports reach the host in the order they become ready; equal times keep their order.
    const auto later =
        std::find_if(pending_input.begin(), pending_input.end(),
                     [ready](const Timed_report& r) { return r.ready_at_ms > ready; });
    pending_input.insert(later, Timed_report{ready, report});
}

void Sim_hid_device::record_written(const std::uint8_t* bytes, std::uint32_t count) {
    wire.emplace_back(bytes, bytes + count);
}
